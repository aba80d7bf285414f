#pragma once

#include <QString>
#include <QStringList>

// The text of notes that could not be stored, written where the user finds it, and word of it
// left for the next start when nobody was there to read the report (a signal, log-out, the
// display gone).
namespace Rescue {

// Writes the text, with a byte order mark, as zu_daviv-unsaved-<stamp>.txt (or -2, -3 ... when
// the name is taken) into the first of the folders that takes the whole file, readable by the
// user alone; its path in native separators, or empty. A folder that takes only part of it keeps
// nothing.
QString writeFile(const QString& text, const QString& stamp, const QStringList& folders);

// Leaves word of a rescue file for the next start: beside the store, or where the program keeps
// its own data when the store's folder takes nothing.
void leaveNotice(const QString& storePath, const QString& rescuePath);

// The rescue files that earlier runs left word of, once: the word is gone afterwards.
QStringList takeNotices(const QString& storePath);

} // namespace Rescue
