#include "ErrorReport.h"

#include "Error.h"

#include <QDir>
#include <QMessageBox>

#include <exception>

namespace {

ErrorReporter& installedReporter()
{
    static ErrorReporter reporter;
    return reporter;
}

bool reportOpen = false;

} // namespace

QString errorReportText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showErrorReport(const QString& message)
{
    const QString text = errorReportText(message);
    if (reportOpen) {
        qWarning("error while an error report is open: %s", qUtf8Printable(text));
        return;
    }
    reportOpen = true;
    struct Reset {
        ~Reset() { reportOpen = false; }
    } reset;
    if (installedReporter()) {
        installedReporter()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ApplicationTitle), text, QMessageBox::Ok);
    box.exec();
}

void setErrorReporter(ErrorReporter reporter)
{
    installedReporter() = std::move(reporter);
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("zufusen"));
}

void runGuarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        showErrorReport(e.message());
    } catch (const std::exception& e) {
        showErrorReport(QString::fromUtf8(e.what()));
    }
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        qWarning("an error escaped its handler (event %d to %s): %s", int(event->type()),
                 receiver->metaObject()->className(), e.what());
        const auto* own = dynamic_cast<const Error*>(&e);
        showErrorReport(own ? own->message() : QString::fromUtf8(e.what()));
    }
    return false;
}

QString storeFailureText(const StoreError& error, const QString& storePath)
{
    return QStringLiteral("%1\n保存先: %2").arg(error.reason(), QDir::toNativeSeparators(storePath));
}
