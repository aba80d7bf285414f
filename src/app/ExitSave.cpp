#include "app/ExitSave.h"

#include "core/Clock.h"
#include "core/NoteStore.h"
#include "core/RescueFile.h"
#include "gui/DisplayDates.h"
#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>

namespace {

// How a note is named to the user: its first line, shortened.
QString noteCaption(const NoteWindow& note)
{
    const QString first = note.text().section(QStringLiteral("\r\n"), 0, 0).trimmed();
    if (first.isEmpty())
        return QStringLiteral("・(空の付箋)");
    return QStringLiteral("・") + (first.size() > 40 ? first.left(40) + QStringLiteral("…") : first);
}

} // namespace

ExitSave::ExitSave(const Clock& clock, const NoteStore& store, const NoteRegistry& notes)
    : m_clock(clock), m_store(store), m_notes(notes)
{
}

QList<NoteWindow*> ExitSave::saveEveryNote(int lockWaitMs) const
{
    QElapsedTimer waited;
    waited.start();
    QList<NoteWindow*> unsaved;
    for (NoteWindow* note : m_notes.notes()) {
        note->saveNote(int(std::max<qint64>(0, lockWaitMs - waited.elapsed())));
        if (note->saveState() != SaveState::Stored)
            unsaved << note;
    }
    return unsaved;
}

QString ExitSave::rescue(const QList<NoteWindow*>& notes) const
{
    if (notes.isEmpty())
        return {};
    QString text;
    for (const NoteWindow* note : notes) {
        const Note values = note->currentNote();
        text +=
            QStringLiteral("---- %1 (%2, %3 %4 %5x%6) ----\r\n")
                .arg(displayDate(values.date), note->noteId() ? QString::number(note->noteId()) : QStringLiteral("new"))
                .arg(values.bounds.x())
                .arg(values.bounds.y())
                .arg(values.bounds.width())
                .arg(values.bounds.height()) +
            values.text + QStringLiteral("\r\n");
    }
    // Beside the store first; where that folder takes nothing, where the user keeps documents.
    const QString rescued =
        Rescue::writeFile(text, m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                          {m_store.programFolder(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                           QDir::homePath(), QDir::tempPath()});
    // Until the user has seen it in a report, the next start tells of it.
    if (!rescued.isEmpty())
        Rescue::leaveNotice(m_store.filePath(), rescued);
    return rescued;
}

QString ExitSave::report(const QList<NoteWindow*>& unsaved, const QString& rescued)
{
    QStringList names;
    for (const NoteWindow* note : unsaved)
        names << noteCaption(*note);
    return QStringLiteral("次の付箋を保存できませんでした:\n") + names.join(QLatin1Char('\n')) +
           (rescued.isEmpty()
                ? QString()
                : QStringLiteral("\n\n内容は次のファイルに書き出しました:\n") + rescued + QLatin1Char('\n'));
}
