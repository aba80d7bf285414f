#pragma once

#include <QApplication>
#include <QString>

#include <functional>

// The message as the error report shows it: a full stop is appended unless the last
// character is a full stop or sorts before it.
QString ErrorReportText(const QString& message);

// The application's error report: a message box with an error icon and an OK button,
// captioned with the application's title. While one report is open, further errors are
// logged instead of stacking a box per timer tick.
void ShowErrorReport(const QString& message);

// Replaces the message box, for tests; an empty function restores it.
using TErrorReporter = std::function<void(const QString& text)>;
void SetErrorReporter(TErrorReporter reporter);

// Runs a user action or a timer tick. An error of the program's that leaves it is reported
// here, through the error report, so that nothing unwinds through Qt's signal dispatch.
void RunGuarded(const std::function<void()>& action);

// A slot for connect() that runs the action guarded; the signal's arguments are not passed on.
template <class TAction> auto Guarded(TAction action)
{
    return [action = std::move(action)](auto&&...) { RunGuarded(action); };
}

// Catches every error that still leaves an event handler, logs it as one that escaped the
// guard, and reports it, so that errors never cross the event loop.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

inline constexpr char ApplicationTitle[] = "ZU付箋";
