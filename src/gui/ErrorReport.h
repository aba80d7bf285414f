#pragma once

#include "StoreError.h"

#include <QApplication>
#include <QString>

#include <functional>

// The message as the error report shows it: a full stop is appended unless the last
// character is a full stop or sorts before it.
QString errorReportText(const QString& message);

// The application's error report: a message box with an error icon and an OK button,
// captioned with the application's title. While one report is open, further errors are
// logged instead of stacking a box per timer tick.
void showErrorReport(const QString& message);

// Replaces the message box, for tests; an empty function restores it.
using ErrorReporter = std::function<void(const QString& text)>;
void setErrorReporter(ErrorReporter reporter);

// Runs a user action or a timer tick. An error of the program's that leaves it is reported
// here, through the error report, so that nothing unwinds through Qt's signal dispatch.
void runGuarded(const std::function<void()>& action);

// A slot for connect() that runs the action guarded; the signal's arguments are not passed on.
template <class Action> auto guarded(Action action)
{
    return [action = std::move(action)](auto&&...) { runGuarded(action); };
}

// Catches every error that still leaves an event handler, logs it as one that escaped the
// guard, and reports it, so that errors never cross the event loop.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

inline constexpr char ApplicationTitle[] = "ZU付箋";

// The user's words for a store failure: SQLite's own text and where the store is.
QString storeFailureText(const StoreError& error, const QString& storePath);
