#include "app/AppFrame.h"

namespace {

FrameFactory& Factory() {
    static FrameFactory factory;
    return factory;
}

}  // namespace

void AppFrame::ApplyPlacement(const WindowPlacement& placement) {
    ApplyWindowPlacement(MainWindow(), placement);
}

FrameFactory SetFrameFactory(FrameFactory factory) {
    return std::exchange(Factory(), std::move(factory));
}

const FrameFactory& GetFrameFactory() {
    return Factory();
}
