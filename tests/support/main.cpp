// Entry point of the suites that need the application object (widgets, pictures, printing).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/application.h"

int main(int argc, char** argv) {
    mkdir("/tmp/brevandoux-xdg", 0700);
    // Listing the tests at build time happens without the test environment: no display
    // must be needed for it either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", "/tmp/brevandoux-xdg");
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
