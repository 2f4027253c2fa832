#include <cstdio>
#include <cstdlib>

#include "app/CMainFrame.h"
#include "app/CPanexApp.h"
#include "app/CommandLine.h"
#include "app/InternalEditor.h"

int main(int argc, char** argv) {
    // Answered before the application object exists: that one needs a
    // display, and a terminal user asking for the version may have none.
    if (const std::optional<QString> answer = TerminalAnswer(ArgumentsFromArgv(argc, argv))) {
        std::fputs(answer->toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Without TZ the C library looks at /etc/localtime again for every time
    // it converts, and an archive converts one per entry: naming the same
    // file once keeps local time as it is and makes a large zip open several
    // times faster. Set before any thread exists, as setenv requires.
    if (std::getenv("TZ") == nullptr)
        ::setenv("TZ", ":/etc/localtime", 0);
    CPanexApp app(argc, argv);
    InstallMainFrameFactory();
    InstallInternalEditor(app);
    return app.Run();
}
