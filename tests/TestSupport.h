#pragma once

#include "Application.h"
#include "ErrorReport.h"
#include "FakeDesktop.h"
#include "NoteRegistry.h"
#include "NoteWindow.h"
#include "Palette.h"
#include "StoreFixture.h"
#include "Tray.h"

#include <QTest>

#include <memory>

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
    ~WindowFixture() override
    {
        app.reset();
        setErrorReporter({});
    }

    // The program on this store, with its tick stopped: each test ticks by hand.
    void start()
    {
        app.reset();
        app = std::make_unique<Application>(desktop, store);
        app->tickTimer().stop();
    }
    // Started, and the first tick behind it: the notes that were open are back.
    void startAndRestore()
    {
        start();
        app->tick();
    }

    FakeDesktop desktop;
    QStringList reports;
    std::unique_ptr<Application> app;
};
