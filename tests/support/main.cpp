// Entry point of the suites that need the application object (widgets, pictures, printing).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/application.h"

int main(int argc, char** argv) {
    mkdir("/tmp/brevandoux-xdg", 0700);
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
