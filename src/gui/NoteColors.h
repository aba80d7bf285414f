#pragma once

#include <QtGlobal>

#include <array>

// The five colours of notes, as the palette's swatches show them left to right and the note's
// colour menu lists them; values as stored, 0x00BBGGRR.
struct NoteColor {
    const char* name; // as the colour menu says it, UTF-8
    quint32 value;
};

inline constexpr std::array<NoteColor, 5> NoteColors = {{
    {"ピンク", 16744703},
    {"水色", 16771434},
    {"緑", 65408},
    {"黄色", 65535},
    {"グレー", 12632256},
}};
