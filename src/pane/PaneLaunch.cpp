#include "pane/PaneLaunch.h"

#include <system_error>
#include <thread>

#include "platform/shell/ShellLaunch.h"

bool LaunchInBackground(IdList absolute) {
    try {
        std::thread([id = std::move(absolute)] { ShellLaunch(id); }).detach();
    } catch (const std::system_error&) {
        // The system is out of threads; the caller tells the user nothing
        // was launched.
        return false;
    }
    return true;
}
