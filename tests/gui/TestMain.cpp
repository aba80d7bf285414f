#include "gui/ErrorReport.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // CTest sets the platform; this default lets the binary run and list its tests alone too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    GuardedApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
