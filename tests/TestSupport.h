#pragma once

#include "FakeDesktop.h"
#include "StoreFixture.h"
#include "shell/ErrorReport.h"

#include <QTest>

// Polls the event loop until the condition holds, for at most five seconds.
#define EXPECT_EVENTUALLY(condition) EXPECT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition
#define ASSERT_EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition

// A store for windows: a fake desktop, and a recorder in place of the error report's box.
class TWindowFixture : public TStoreFixture {
protected:
    TWindowFixture()
    {
        SetErrorReporter([this](const QString& text) { Reports << text; });
    }
    ~TWindowFixture() override { SetErrorReporter({}); }

    TFakeDesktop Desktop;
    QStringList Reports;
};
