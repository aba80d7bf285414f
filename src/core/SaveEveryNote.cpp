#include "core/SaveEveryNote.h"

#include "core/Clock.h"
#include "core/NoteStore.h"
#include "core/OpenNote.h"
#include "core/RescueFile.h"
#include "core/StoreText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>

#include <algorithm>

QList<OpenNote*> saveEveryNote(const QList<OpenNote*>& notes, int lockWaitMs)
{
    QElapsedTimer waited;
    waited.start();
    QList<OpenNote*> unsaved;
    for (OpenNote* note : notes) {
        note->save(int(std::max<qint64>(0, lockWaitMs - waited.elapsed())));
        if (note->saver().state() != SaveState::Stored)
            unsaved << note;
    }
    return unsaved;
}

QString rescueNotes(const QList<OpenNote*>& notes, const Clock& clock, const NoteStore& store)
{
    if (notes.isEmpty())
        return {};
    QString text;
    for (const OpenNote* note : notes) {
        const Note values = note->snapshot();
        // Each note headed by its record as the store would hold it: date, row, place and size.
        text += QStringLiteral("---- %1 (%2, %3 %4 %5x%6) ----\r\n")
                    .arg(formatStoreDate(values.date), values.id ? QString::number(values.id) : QStringLiteral("new"))
                    .arg(values.bounds.x())
                    .arg(values.bounds.y())
                    .arg(values.bounds.width())
                    .arg(values.bounds.height()) +
                values.text + QStringLiteral("\r\n");
    }
    // Beside the store first; where that folder takes nothing, where the user keeps documents.
    const QString rescued =
        Rescue::writeFile(text, clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                          {store.programFolder(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                           QDir::homePath(), QDir::tempPath()});
    // Until the user has seen it in a report, the next start tells of it.
    if (!rescued.isEmpty())
        Rescue::leaveNotice(store.filePath(), rescued);
    return rescued;
}
