#include "app/CPanexApp.h"

int main(int argc, char** argv) {
    CPanexApp app(argc, argv);
    return app.Run();
}
