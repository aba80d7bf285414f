#pragma once

#include <QByteArray>
#include <QDate>
#include <QRect>
#include <QString>
#include <QTime>

#include <array>
#include <optional>

// One note as its row holds it, read and decoded once, and as a save writes it.
struct Note {
    qint32 id = 0;
    QDate date;
    QString text;
    // When set, a save writes these bytes, the text exactly as the store holds it, in place of
    // text: decoding and encoding again would not give back every stored byte.
    std::optional<QByteArray> textBytes;
    // Where the note shows, in Qt's logical pixels.
    QRect bounds;
    // Open notes come back at the next start; an ended one does not.
    bool isOpen = false;
    // As read; every save writes it as true.
    bool visible = true;
    quint32 color = 0; // 0x00BBGGRR
    int alpha = 0;
};

// The stored bytes of a note row's columns, f_day to alpha, as a read gives them. A note keeps
// the image of its row as it last read or wrote it; a row that no longer matches belongs to
// someone else (the store file was replaced) and is never written.
using RowImage = std::array<QByteArray, 10>;
inline constexpr size_t rowImageNote = 1;

struct StoredNote {
    Note note;
    RowImage image;
};

// One row of the note list.
struct NoteListRow {
    qint32 id = 0;
    // The day as stored, shown whether or not it reads as a date.
    QString day;
    QString text;
    bool isOpen = true;
};

// One balloon message. The list and the balloon show its day and time as stored.
struct Reminder {
    qint64 id = 0;
    QString dayText;
    QString timeText;
    QString message;
    // What the texts stand for; invalid where a text does not read, and then why.
    QDate day;
    QTime time;
    QString unreadable;
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
        Updated,         // the note's own row
        AddedNew,        // the note had no row yet: it has one now
        AddedMissing,    // its row was gone: the note was stored as a new row
        AddedTaken,      // its row held another note's values: the note was stored as a new row
        AddedToNewStore, // the store file was gone (deleted while the program ran): made anew with the note
    };
    Way way = Updated;
    qint32 id = 0;
    RowImage image;
};
