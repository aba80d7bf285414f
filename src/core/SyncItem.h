#pragma once

#include <QDate>
#include <QRect>
#include <QString>
#include <QTime>

#include <map>

// How far each store has changed an item: store id → the logical time of its last change that
// this version includes. One version includes another when no store's count is behind; neither
// including the other means two stores changed the item without seeing each other's change.
using SyncVersion = std::map<QString, qint64>;

enum class SyncOrder { Same, Older, Newer, Concurrent };

// How a relates to b.
SyncOrder compareVersions(const SyncVersion& a, const SyncVersion& b);
// Every store's count at the higher of the two.
SyncVersion joinVersions(const SyncVersion& a, const SyncVersion& b);
// "id:count,id:count", ids in order; and back (a text that does not read gives an empty version).
QString versionText(const SyncVersion& version);
SyncVersion versionFromText(const QString& text);

// One note or reminder as every synchronised store knows it: a stable identity, the version of
// its last change with that change's logical stamp and store, and what it holds. A removed item
// stays as a tombstone, so that the removal reaches every store.
struct SyncItem {
    enum Kind { NoteKind, ReminderKind };
    Kind kind = NoteKind;
    QString uid;
    SyncVersion version;
    // The logical time and store of the change this version holds, and that store's PC name.
    qint64 stamp = 0;
    QString origin;
    QString originName;
    bool removed = false;

    // What it holds: a note's date, text, colour, transparency and whether it is open; a
    // reminder's day, time and message (in text).
    QDate day;
    QTime time;
    QString text;
    quint32 color = 0;
    int alpha = 0;
    bool isOpen = true;
    // Where the note shows on the store that wrote it: used only where the note is new.
    QRect place;

    // A digest of what it holds, to see later whether it changed.
    QByteArray contentDigest() const;
};
