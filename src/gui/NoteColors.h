#pragma once

#include <QtGlobal>

#include <array>

// The five colours of notes, as the palette's swatches show them left to right and the note's
// colour menu lists them; values as stored, 0x00BBGGRR.
struct NoteColor {
    const char* name; // the colour menu's source text, UTF-8, translated in NoteMenu's context
    quint32 value;
};

inline constexpr std::array<NoteColor, 5> NoteColors = {{
    {QT_TRANSLATE_NOOP("NoteMenu", "ピンク"), 16744703},
    {QT_TRANSLATE_NOOP("NoteMenu", "水色"), 16771434},
    {QT_TRANSLATE_NOOP("NoteMenu", "緑"), 65408},
    {QT_TRANSLATE_NOOP("NoteMenu", "黄色"), 65535},
    {QT_TRANSLATE_NOOP("NoteMenu", "グレー"), 12632256},
}};
