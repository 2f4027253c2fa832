#include "app/CMainFrame.h"
#include "app/CPanexApp.h"

int main(int argc, char** argv) {
    CPanexApp app(argc, argv);
    InstallMainFrameFactory();
    return app.Run();
}
