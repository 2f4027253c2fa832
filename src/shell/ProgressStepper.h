#pragma once
// ProgressStepper: how a long operation with a known number of items moves
// the status bar's progress bar. The bar only ever advances in tenths (its
// step is 10 of 100); the stepper says, item by item, when the next tenth is
// due.
//
//     LongOperation operation(caption);
//     ProgressStepper stepper(items.size());
//     for (auto& item : items) {
//         if (stepper.Advance()) operation.Step();
//         ... process the item, then poll for Escape ...
//     }
//
// Guarantees: at most one step per item, so with fewer than ten items the bar
// does not reach its end (3 items end at 30 percent); with n >= 10 items the
// bar ends full within the precision of the floating-point accumulator (200
// items step once every 20 items). Zero items never step.
//
// Cost: one addition and one comparison per item. No widget is touched.

#include <cstddef>

class ProgressStepper {
public:
    /// The size of one step, in percent.
    static constexpr double kStep = 10.0;

    /// A stepper for `count` items: the increment is 100 / `count`, the
    /// accumulator starts at 0.
    explicit ProgressStepper(std::size_t count);

    /// Called once per item, before processing it: adds the increment and,
    /// when the accumulator has reached a step, takes the step off it and
    /// gives true (the caller steps the bar once).
    bool Advance();

    /// The value that Advance() adds per item.
    double Increment() const { return m_increment; }
    /// The accumulator now.
    double Accumulator() const { return m_accumulator; }
    /// How many steps Advance() has given so far.
    int Steps() const { return m_steps; }

private:
    double m_increment = 0.0;
    double m_accumulator = 0.0;
    int m_steps = 0;
};
