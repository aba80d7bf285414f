#pragma once

#include "TestText.h"

#include <QRandomGenerator>
#include <QString>

#include <iterator>

// What the store can hold of a text: a surrogate without its partner becomes U+FFFD, and NULs,
// which no statement carries, are dropped unless kept. Written apart from the program's codec,
// so that tests of the codec have something to hold it to.
inline QString storable(const QString& text, bool keepNuls = false)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isNull() && !keepNuls)
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result += c;
            result += text.at(++i);
        } else if (c.isSurrogate()) {
            result += QChar(QChar::ReplacementCharacter);
        } else {
            result += c;
        }
    }
    return result;
}

inline QString allAsciiPunctuation()
{
    QString text;
    for (char c = 0x21; c < 0x7F; ++c)
        if (!QChar::fromLatin1(c).isLetterOrNumber())
            text += QLatin1Char(c);
    return text;
}

// Typed or pasted first, U+FEFF is the user's text, whatever it looks like in UTF-8.
inline const QString ByteOrderMark(QChar(0xFEFF));

// Texts a person may type or paste; none holds a line break of its own.
inline const QString HostileLines[] = {
    allAsciiPunctuation(),
    S("C:\\Users\\me\\メモ\\ \\\\server\\share\\ \\n \\' \\"),
    S("表示 ソフト 能力 予定表\\ ソ\\能 十 貼"),
    S("'); drop table m_daviv; --"),
    S("x' where 1=1; update m_daviv set note = 'gone"),
    S("'' '''' ; ; /* */ -- \" ` [note] $1 ?1 :a @a"),
    S("😀🎉👨‍👩‍👧 𠮷野家 ①～髙 é ñ 한국어 ｶﾀｶﾅ"),
    ByteOrderMark + S("starts with a byte order mark"),
    ByteOrderMark,
    ByteOrderMark + ByteOrderMark + S("twice"),
    S("mid") + ByteOrderMark + S("dle"),
    ByteOrderMark + S("表"),
    S("tab\there\x01\x1F\x7F end"),
};

// A text of up to 60 characters drawn from ASCII, kana, kanji, emoji, quotes, backslashes,
// control characters, byte order marks, NULs and lone surrogates; seeded by the caller, so that
// a failure repeats.
inline QString randomText(QRandomGenerator& random)
{
    static const char32_t ranges[][2] = {
        {0x20, 0x7E},     {0x3040, 0x30FF}, {0x4E00, 0x9FFF}, {0xFF61, 0xFF9F}, {0x1F300, 0x1FAFF},
        {0x01, 0x1F},     {0x80, 0x24F},    {0x2460, 0x24FF}, {0xAC00, 0xD7A3}, {0x20000, 0x2A6DF},
        {0xFEFF, 0xFEFF}, {0xFFFD, 0xFFFF}, {'\'', '\''},     {'\\', '\\'},     {0x5C, 0x5C},
    };
    // Characters whose second code page 932 byte is a backslash.
    static const QString backslashSecondBytes = S("表ソ能十貼予構");
    QString text;
    const int length = random.bounded(0, 61);
    for (int i = 0; i < length; ++i) {
        const int pick = random.bounded(int(std::size(ranges)) + 3);
        if (pick == int(std::size(ranges))) {
            text += backslashSecondBytes.at(random.bounded(int(backslashSecondBytes.size())));
        } else if (pick == int(std::size(ranges)) + 1) {
            text += QChar(char16_t(random.bounded(0xD800, 0xE000)));
        } else if (pick == int(std::size(ranges)) + 2) {
            text += QChar(0);
        } else {
            const char32_t c = char32_t(random.bounded(ranges[pick][0], ranges[pick][1] + 1));
            text += QString::fromUcs4(&c, 1);
        }
    }
    return text;
}
