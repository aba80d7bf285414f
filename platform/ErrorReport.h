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

// Catches every error that leaves an event handler, where the toolkit the program was
// designed on catches it, so that errors never cross the event loop.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

inline constexpr char ApplicationTitle[] = "ZU付箋";
