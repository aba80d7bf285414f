// What the platform backend of this build does: its code page conversion is tested through the
// store's text rules (store_text_test.cpp, built into this program too), and its ending.
#include "platform/Platform.h"
#include "platform/TerminationWatcher.h"

#include "StoreFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

TEST(Platform, ProgramFolderIsTheExecutablesFolder)
{
    const QString folder = programFolder();
    EXPECT_EQ(QDir(folder), QDir(QCoreApplication::applicationDirPath()));
    EXPECT_FALSE(folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')));
}

#ifdef PLATFORM_TEST_POSIX
TEST(Platform, TerminationSignalsArriveOnTheEventLoop)
{
    TerminationWatcher watcher;
    QSignalSpy requested(&watcher, &TerminationWatcher::terminationRequested);
    std::raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return requested.count() == 1; }, 5000));
}
#endif
