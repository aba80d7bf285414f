#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// The store keeps text as code page 932 bytes, the encoding of its file format.
// A value whose code page 932 bytes would not read back as the same text is kept as UTF-8
// behind a byte order mark instead; a U+FEFF at the start of the value itself comes back as it
// was. A value without the mark that reads as UTF-8 with at least one multi-byte sequence was
// written by another program as UTF-8, unless its every byte beyond ASCII is a half-width
// katakana of code page 932. A surrogate without its partner has no encoding and is stored as
// U+FFFD.
QByteArray encodeStoreText(const QString& text);
QString decodeStoreText(const QByteArray& bytes);
// Decodes a whole statement for messages: its values may carry either encoding.
QString decodeSqlText(const QByteArray& sql);

// One fixed date and time form, independent of the machine's locale.
inline constexpr char StoreDateFormat[] = "yyyy/MM/dd";
inline constexpr char StoreTimeFormat[] = "H:mm:ss";
QString formatStoreDate(const QDate& date);
QString formatStoreTime(const QTime& time);

// Readings of the store's texts; nothing when a text does not read. A row may hold anything
// another program wrote, so that is no error of the program's.
std::optional<QDate> strToDate(const QString& text);
std::optional<QTime> strToTime(const QString& text);
std::optional<int> strToInt(const QString& text);
std::optional<bool> strToBool(const QString& text);

// What a text was to be read as, and the words for one that did not read as it: "'x' is not a
// valid date".
enum class StoreValue { Date, Time, Integer, Boolean };
QString unreadableText(const QString& text, StoreValue kind);
