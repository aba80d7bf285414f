#include "app/SaveNotices.h"

#include "core/OpenNote.h"
#include "gui/ErrorReport.h"
#include "gui/NoteRegistry.h"
#include "gui/Tray.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// How a note is named to the user: its first line, shortened.
QString noteCaption(const OpenNote& note)
{
    const QString first = note.snapshot().text.section(QStringLiteral("\r\n"), 0, 0).trimmed();
    if (first.isEmpty())
        return QCoreApplication::translate("SaveNotices", "・(空の付箋)");
    return QStringLiteral("・") + (first.size() > 40 ? first.left(40) + QStringLiteral("…") : first);
}

} // namespace

SaveNotices::SaveNotices(const NoteRegistry& notes, Tray& tray, QString storePath)
    : m_notes(notes), m_tray(tray), m_storePath(std::move(storePath))
{
}

void SaveNotices::retryFailed()
{
    SaveFailures::retryFailed(m_notes.openNotes());
}

void SaveNotices::show(const QString& startupError)
{
    const SaveFailures::News news = m_failures.look(m_notes.openNotes(), !startupError.isEmpty());
    if (news.storeRecreated) {
        m_tray.notify(tr("保存先のファイルがなくなっていたため、新しく作り直して開いている付箋を保存しました。"
                         "\n保存先: ") +
                      QDir::toNativeSeparators(m_storePath));
    }
    if (news.rowsReplaced) {
        m_tray.notify(tr("保存先のファイルが別のものに置き換えられていました。開いている付箋は、"
                         "そのファイルの付箋を上書きせずに新しい付箋として保存しました。\n保存先: ") +
                      QDir::toNativeSeparators(m_storePath));
    }
    QString waiting;
    if (news.failing) {
        waiting =
            startupError.isEmpty() ? tr("保存できていない付箋: %1 件").arg(news.unsaved) : tr("付箋を読み込めません");
        if (news.failureBegan) {
            const QString reason = !startupError.isEmpty() ? startupError
                                   : news.reason           ? storeFailureText(*news.reason, m_storePath)
                                                           : QString();
            m_tray.notify((startupError.isEmpty() ? tr("付箋を保存できません。保存できるまで数秒ごとにやり直します。\n")
                                                  : tr("付箋を読み込めません。数秒ごとにやり直します。\n")) +
                          reason);
        }
    } else if (news.failureOver) {
        m_tray.notify(tr("すべての付箋を保存しました。"));
    }
    m_tray.showSaveState(waiting);
}

QString SaveNotices::exitReport(const QList<OpenNote*>& unsaved, const QString& rescued)
{
    QStringList names;
    for (const OpenNote* note : unsaved)
        names << noteCaption(*note);
    return tr("次の付箋を保存できませんでした:\n") + names.join(QLatin1Char('\n')) +
           (rescued.isEmpty() ? QString()
                              : tr("\n\n内容は次のファイルに書き出しました:\n") + rescued + QLatin1Char('\n'));
}
