// The single-copy lock of this build's backend: exclusive while held, gone with its holder, and a
// file that cannot hold it is said to be unusable, never taken for a running copy.
#include "platform/InstanceLock.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

TEST(InstanceLock, IsExclusiveAndGoesWithItsHolder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zu_daviv.db.lock"));
    {
        const InstanceLock first(path);
        ASSERT_EQ(first.outcome(), InstanceLock::Outcome::Held);
        EXPECT_EQ(InstanceLock(path).outcome(), InstanceLock::Outcome::HeldElsewhere);
    }
    EXPECT_EQ(InstanceLock(path).outcome(), InstanceLock::Outcome::Held);
}

TEST(InstanceLock, SaysWhyAFileCannotHoldIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.lock")));
    const InstanceLock folder(dir.filePath(QStringLiteral("folder.lock")));
    EXPECT_EQ(folder.outcome(), InstanceLock::Outcome::Unusable);
    EXPECT_EQ(folder.problem(), InstanceLock::Problem::IsFolder);
    const InstanceLock nowhere(dir.filePath(QStringLiteral("missing/zu_daviv.db.lock")));
    EXPECT_EQ(nowhere.outcome(), InstanceLock::Outcome::Unusable);
    EXPECT_EQ(nowhere.problem(), InstanceLock::Problem::CannotCreate);
}
