#include "app/SaveWatch.h"

#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"
#include "gui/Tray.h"

#include <QDir>

SaveWatch::SaveWatch(const NoteRegistry& notes, Tray& tray, QString storePath)
    : m_notes(notes), m_tray(tray), m_storePath(std::move(storePath))
{
}

void SaveWatch::retryFailed()
{
    for (NoteWindow* note : m_notes.notes())
        if (note->saveState() == SaveState::Failed)
            note->saveNote();
}

void SaveWatch::show(const QString& startupError)
{
    int unsaved = 0;
    QString reason = startupError;
    bool rowsReplaced = false;
    bool storeRecreated = false;
    for (NoteWindow* note : m_notes.notes()) {
        if (note->saveState() == SaveState::Failed) {
            ++unsaved;
            if (reason.isEmpty())
                reason = note->saveError();
        }
        const std::optional<SaveResult::Way> change = note->takeRowChange();
        rowsReplaced = rowsReplaced || change == SaveResult::AddedTaken;
        storeRecreated = storeRecreated || change == SaveResult::AddedToNewStore;
    }
    if (storeRecreated && !m_storeRecreatedReported) {
        m_storeRecreatedReported = true;
        m_tray.notify(
            QStringLiteral("保存先のファイルがなくなっていたため、新しく作り直して開いている付箋を保存しました。"
                           "\n保存先: ") +
            QDir::toNativeSeparators(m_storePath));
    }
    if (rowsReplaced && !m_rowsReplacedReported) {
        m_rowsReplacedReported = true;
        m_tray.notify(QStringLiteral("保存先のファイルが別のものに置き換えられていました。開いている付箋は、"
                                     "そのファイルの付箋を上書きせずに新しい付箋として保存しました。\n保存先: ") +
                      QDir::toNativeSeparators(m_storePath));
    }
    const bool failing = unsaved > 0 || !startupError.isEmpty();
    QString waiting;
    if (failing) {
        waiting = startupError.isEmpty() ? QStringLiteral("保存できていない付箋: %1 件").arg(unsaved)
                                         : QStringLiteral("付箋を読み込めません");
        if (!m_failureReported) {
            m_failureReported = true;
            m_tray.notify((startupError.isEmpty()
                               ? QStringLiteral("付箋を保存できません。保存できるまで数秒ごとにやり直します。\n")
                               : QStringLiteral("付箋を読み込めません。数秒ごとにやり直します。\n")) +
                          reason);
        }
    } else if (m_failureReported) {
        m_failureReported = false;
        m_tray.notify(QStringLiteral("すべての付箋を保存しました。"));
    }
    m_tray.showSaveState(waiting);
}
