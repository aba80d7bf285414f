#pragma once

#include "core/StoreError.h"

#include <QApplication>
#include <QString>

#include <functional>

class NoteSaver;

// The message as the error report shows it: a full stop is appended unless the last
// character is a full stop or sorts before it.
QString errorReportText(const QString& message);

// The program's error report, which the application object owns and hands to the windows and
// steps that report: by default a message box with an error icon and an OK button, captioned
// with the application's title; a test records the texts instead. While one report is open,
// further errors are logged instead of stacking a box per timer tick.
class ErrorReport {
public:
    using Show = std::function<void(const QString& text)>;

    // Shows each report's text through show; without one, in the message box.
    explicit ErrorReport(Show show = {});
    ErrorReport(const ErrorReport&) = delete;
    ErrorReport& operator=(const ErrorReport&) = delete;

    void show(const QString& message);

private:
    Show m_show;
    bool m_open = false;
};

// Runs a user action or a timer tick. An error of the program's that leaves it is reported
// here, through the error report, so that nothing unwinds through Qt's signal dispatch.
void runGuarded(ErrorReport& report, const std::function<void()>& action);

// A slot for connect() that runs the action guarded; the signal's arguments are not passed on.
template <class Action> auto guarded(ErrorReport& report, Action action)
{
    return [&report, action = std::move(action)](auto&&...) { runGuarded(report, action); };
}

// Catches every error that still leaves an event handler, logs it as one that escaped the
// guard, and reports it, so that errors never cross the event loop.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The report for errors that escape: the application object's while it lives, else one of
    // this object's own. Null gives back its own.
    void reportEscapesTo(ErrorReport* report) { m_escapes = report ? report : &m_ownReport; }

private:
    ErrorReport m_ownReport;
    ErrorReport* m_escapes = &m_ownReport;
};

// The program's name, as message boxes and balloons are captioned.
QString applicationTitle();

// The user's words for a store failure: SQLite's own text and where the store is.
QString storeFailureText(const StoreError& error, const QString& storePath);
// Why a note's last save failed, in those words; empty once a save went through.
QString saveFailureText(const NoteSaver& saver);
