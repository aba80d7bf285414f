#include "platform/windows/WinCodePage932.h"

#include <windows.h>

#include <limits>

namespace {

constexpr UINT codePage = 932;
constexpr char16_t replacement = u'\uFFFD';

// One character's bytes (one or two), or nothing when they are not a character. The flag makes
// Windows refuse them instead of answering U+30FB, as it does for bytes it cannot read.
std::optional<wchar_t> readCharacter(const char* bytes, int count)
{
    wchar_t c = 0;
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, &c, 1) != 1)
        return std::nullopt;
    return c;
}

// Byte by byte, for text that does not convert whole. A lead byte whose partner does not complete
// a character stands for one U+FFFD; an ASCII partner is read again on its own, so a broken
// character does not swallow the letter after it.
QString readDamaged(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (IsDBCSLeadByteEx(codePage, byte) && i + 1 < size) {
            if (std::optional<wchar_t> c = readCharacter(data + i, 2)) {
                text += QChar(*c);
                i += 2;
            } else {
                text += QChar(replacement);
                i += static_cast<unsigned char>(data[i + 1]) < 0x80 ? 1 : 2;
            }
            continue;
        }
        const std::optional<wchar_t> c = IsDBCSLeadByteEx(codePage, byte) ? std::nullopt : readCharacter(data + i, 1);
        text += c ? QChar(*c) : QChar(replacement);
        ++i;
    }
    return text;
}

} // namespace

std::optional<QByteArray> WinCodePage932::fromUnicode(QStringView text) const
{
    if (text.isEmpty())
        return QByteArray();
    // Code page 932 needs at most two bytes for a UTF-16 unit.
    if (text.size() > std::numeric_limits<int>::max() / 2)
        return std::nullopt;
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    BOOL usedDefault = FALSE;
    const int written = WideCharToMultiByte(
        codePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(text.utf16()), static_cast<int>(text.size()),
        bytes.data(), static_cast<int>(bytes.size()), nullptr, &usedDefault);
    if (written <= 0 || usedDefault)
        return std::nullopt;
    bytes.truncate(written);
    return bytes;
}

QString WinCodePage932::toUnicode(QByteArrayView bytes) const
{
    if (bytes.isEmpty())
        return QString();
    if (bytes.size() <= std::numeric_limits<int>::max()) {
        // A byte gives at most one UTF-16 unit.
        QString text(bytes.size(), Qt::Uninitialized);
        const int written =
            MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()));
        if (written > 0) {
            text.truncate(written);
            return text;
        }
    }
    return readDamaged(bytes);
}
