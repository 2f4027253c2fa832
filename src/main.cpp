#include "app/CMainFrame.h"
#include "app/CPanexApp.h"
#include "app/InternalEditor.h"

int main(int argc, char** argv) {
    CPanexApp app(argc, argv);
    InstallMainFrameFactory();
    InstallInternalEditor(app);
    return app.Run();
}
