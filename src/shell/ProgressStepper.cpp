#include "shell/ProgressStepper.h"

ProgressStepper::ProgressStepper(std::size_t count)
    : m_increment(count == 0 ? 0.0 : 100.0 / double(count)) {}

bool ProgressStepper::Advance() {
    m_accumulator += m_increment;
    if (m_accumulator < kStep)
        return false;
    m_accumulator -= kStep;
    ++m_steps;
    return true;
}
