#include <unistd.h>

#include "shell/program.h"
#include "shell/zul_application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX") && ::geteuid() == 0) {
        // The web engine refuses to start as root with its sandbox on.
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    zul::ZulApplication app(argc, argv);
    return zul::runProgram(app);
}
