#pragma once

#include <QByteArray>
#include <QDate>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

// What a note window writes to its row.
struct NoteValues {
    QString date;
    QString text;
    // The note's text exactly as the store holds it, written instead of Text while the user has
    // not changed it: decoding and encoding again would not give back every stored byte.
    std::optional<QByteArray> textBytes;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool term = false;
    quint32 color = 0;
    int alpha = 0;
    qint32 id = 0;
};

// A note row read from the store, decoded once.
struct NoteRecord {
    qint32 id = 0;
    QDate date;
    QString text;
    QRect bounds;
    bool term = false;
    bool visible = false;
    quint32 color = 0;
    int alpha = 0;
};

// The stored bytes of a note row's columns, f_day to alpha, as a read gives them. A note window
// keeps the image of its row as it last read or wrote it; a row that no longer matches belongs
// to someone else (the store file was replaced) and is never written.
using RowImage = std::array<QByteArray, 10>;
inline constexpr size_t rowImageNote = 1;

struct StoredNote {
    NoteRecord record;
    RowImage image;
};

// One row of the note list, as stored.
struct NoteListRow {
    QString id;
    QString day;
    QString text;
    QByteArray term;
};

// One balloon message, as stored.
struct ReminderRow {
    QString id;
    QString time;
    QString message;
    QString day;
};

// How one note is shown, beyond what its row holds: kept in a table of its own.
struct NoteLook {
    static constexpr int DefaultZoom = 100;
    int zoom = DefaultZoom; // text size in percent
    bool onTop = false;     // kept above other windows
    bool operator==(const NoteLook&) const = default;
};

// What a note save did.
struct SaveResult {
    enum Way {
        Updated,      // the note's own row
        AddedNew,     // the note had no row yet: it has one now
        AddedMissing, // its row was gone: the note was stored as a new row
        AddedTaken,   // its row held another note's values: the note was stored as a new row
    };
    Way way = Updated;
    qint32 id = 0;
    RowImage image;
};
