#pragma once

#include "Error.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

// The store keeps text as code page 932 bytes, as files written by earlier versions hold it.
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

// Readings that raise ConversionError on a text that does not read.
QDate strToDate(const QString& text);
QTime strToTime(const QString& text);
int strToInt(const QString& text);
bool strToBool(const QString& text);
