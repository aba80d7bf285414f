#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Conversion between Unicode and code page 932 bytes: the system code page of the Japanese
// systems the store's files come from.
class CodePage932Converter {
public:
    virtual ~CodePage932Converter() = default;
    // Strict: nothing when any character has no code page 932 form (no best-fit substitutes).
    virtual std::optional<QByteArray> fromUnicode(QStringView text) const = 0;
    // Bytes that do not form a character become U+FFFD; everything else converts.
    virtual QString toUnicode(QByteArrayView bytes) const = 0;
};

// The conversion the store's text uses. Like the system code page it stands for, it is one for
// the whole process: the platform layer puts its own in place at start. Until then, and on a
// system whose platform has none, Qt's own conversion serves (where Qt was built with ICU); without
// any, text that is not ASCII is stored in the marked UTF-8 form and code page 932 bytes read as
// U+FFFD.
const CodePage932Converter& codePage932();
void useCodePage932(const CodePage932Converter* conversion);
