#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

// The platform's tests run with its own code page conversion in place, and an event loop but
// no window system.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    useSystemCodePage932();
    return RUN_ALL_TESTS();
}
