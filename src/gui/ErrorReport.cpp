#include "gui/ErrorReport.h"

#include "core/Error.h"
#include "core/NoteSaver.h"

#include <QDir>
#include <QMessageBox>

#include <exception>

QString errorReportText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

ErrorReport::ErrorReport(Show show) : m_show(std::move(show)) {}

void ErrorReport::show(const QString& message)
{
    const QString text = errorReportText(message);
    if (m_open) {
        qWarning("error while an error report is open: %s", qUtf8Printable(text));
        return;
    }
    m_open = true;
    struct Reset {
        bool& open;
        ~Reset() { open = false; }
    } reset{m_open};
    if (m_show) {
        m_show(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok);
    box.exec();
}

void runGuarded(ErrorReport& report, const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        report.show(e.message());
    } catch (const std::exception& e) {
        report.show(QString::fromUtf8(e.what()));
    }
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("zufusen"));
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        qWarning("an error escaped its handler (event %d to %s): %s", int(event->type()),
                 receiver->metaObject()->className(), e.what());
        const auto* own = dynamic_cast<const Error*>(&e);
        m_escapes->show(own ? own->message() : QString::fromUtf8(e.what()));
    }
    return false;
}

QString applicationTitle()
{
    return QCoreApplication::translate("ErrorReport", "ZU付箋");
}

QString storeFailureText(const StoreError& error, const QString& storePath)
{
    return QCoreApplication::translate("ErrorReport", "%1\n保存先: %2")
        .arg(error.reason(), QDir::toNativeSeparators(storePath));
}

QString saveFailureText(const NoteSaver& saver)
{
    const std::optional<StoreError>& error = saver.error();
    return error ? storeFailureText(*error, saver.store().filePath()) : QString();
}
