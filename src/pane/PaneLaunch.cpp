#include "pane/PaneLaunch.h"

#include <QCoreApplication>
#include <memory>

#include "platform/namespace/ShellFolder.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/shellui/ShellLaunch.h"
#include "platform/thread/ThreadGroup.h"

bool LaunchInBackground(IdList absolute, std::function<void(const LaunchOutcome&)> onFailure) {
    // When the system is out of threads the caller tells the user nothing
    // was launched.
    return LaunchThreads().Run([id = std::move(absolute), onFailure = std::move(onFailure)] {
        const LaunchOutcome outcome = ShellLaunchWithReason(id);
        if (outcome.started || !onFailure)
            return;
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app, [onFailure, outcome] { onFailure(outcome); }, Qt::QueuedConnection);
        }
    });
}

bool OpenEntryInBackground(IdList absolute, std::function<void(const QString&)> onFailure) {
    if (absolute.IsNull() || absolute.IsEmpty())
        return false;
    return LaunchThreads().Run([id = std::move(absolute), onFailure = std::move(onFailure)] {
        QString why;
        const std::unique_ptr<ShellFolder> parent = BindParentFolder(id);
        if (parent && InvokeDefaultCommand(*parent, id.Last(), &why))
            return;
        // The answer goes back to the main thread, where notices live;
        // a program already quitting drops it.
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app, [onFailure, why] { onFailure(why); }, Qt::QueuedConnection);
        }
    });
}
