#pragma once

#include <QByteArray>
#include <QDate>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

// What a note window writes to its row.
struct TNoteValues {
    QString Date;
    QString Text;
    // The note's text exactly as the store holds it, written instead of Text while the user has
    // not changed it: decoding and encoding again would not give back every stored byte.
    std::optional<QByteArray> TextBytes;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    bool Term = false;
    quint32 Color = 0;
    int Alpha = 0;
    qint32 Id = 0;
};

// A note row read from the store, decoded once.
struct TNoteRecord {
    qint32 Id = 0;
    QDate Date;
    QString Text;
    QRect Bounds;
    bool Term = false;
    bool Visible = false;
    quint32 Color = 0;
    int Alpha = 0;
};

// The stored bytes of a note row's columns, f_day to alpha, as a read gives them. A note window
// keeps the image of its row as it last read or wrote it; a row that no longer matches belongs
// to someone else (the store file was replaced) and is never written.
using TRowImage = std::array<QByteArray, 10>;
inline constexpr size_t RowImageNote = 1;

struct TStoredNote {
    TNoteRecord Record;
    TRowImage Image;
};

// One row of the note list, as stored.
struct TNoteListRow {
    QString Id;
    QString Day;
    QString Text;
    QByteArray Term;
};

// One balloon message, as stored.
struct TBalloonMessage {
    QString Id;
    QString Time;
    QString Message;
    QString Day;
};

// How one note is shown, beyond what its row holds: kept in a table of its own.
struct TNoteLook {
    static constexpr int DefaultZoom = 100;
    int Zoom = DefaultZoom; // text size in percent
    bool OnTop = false;     // kept above other windows
    bool operator==(const TNoteLook&) const = default;
};

// What a note save did.
struct TNoteSaveResult {
    enum TWay {
        Updated,      // the note's own row
        AddedNew,     // the note had no row yet: it has one now
        AddedMissing, // its row was gone: the note was stored as a new row
        AddedTaken,   // its row held another note's values: the note was stored as a new row
    };
    TWay Way = Updated;
    qint32 Id = 0;
    TRowImage Image;
};
