#include "shell/ErrorReport.h"

#include "platform/Exception.h"

#include <QMessageBox>

#include <exception>

namespace {

TErrorReporter& Reporter()
{
    static TErrorReporter reporter;
    return reporter;
}

bool ReportOpen = false;

} // namespace

QString ErrorReportText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowErrorReport(const QString& message)
{
    const QString text = ErrorReportText(message);
    if (ReportOpen) {
        qWarning("error while an error report is open: %s", qUtf8Printable(text));
        return;
    }
    ReportOpen = true;
    struct TReset {
        ~TReset() { ReportOpen = false; }
    } reset;
    if (Reporter()) {
        Reporter()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ApplicationTitle), text, QMessageBox::Ok);
    box.exec();
}

void SetErrorReporter(TErrorReporter reporter)
{
    Reporter() = std::move(reporter);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("zufusen"));
}

void RunGuarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        ShowErrorReport(e.Message());
    } catch (const std::exception& e) {
        ShowErrorReport(QString::fromUtf8(e.what()));
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        qWarning("an error escaped its handler (event %d to %s): %s", int(event->type()),
                 receiver->metaObject()->className(), e.what());
        const auto* own = dynamic_cast<const Exception*>(&e);
        ShowErrorReport(own ? own->Message() : QString::fromUtf8(e.what()));
    }
    return false;
}
