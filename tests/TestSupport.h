#pragma once

#include "FakeDesktop.h"
#include "StoreFixture.h"
#include "ErrorReport.h"

#include <QTest>

// Polls the event loop until the condition holds, for at most five seconds.
#define EXPECT_EVENTUALLY(condition) EXPECT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition
#define ASSERT_EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition

// A store for windows: a fake desktop, and a recorder in place of the error report's box.
class WindowFixture : public StoreFixture {
protected:
    WindowFixture()
    {
        setErrorReporter([this](const QString& text) { reports << text; });
    }
    ~WindowFixture() override { setErrorReporter({}); }

    FakeDesktop desktop;
    QStringList reports;
};
