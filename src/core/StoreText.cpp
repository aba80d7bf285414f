#include "core/StoreText.h"

#include "core/CodePage932.h"
#include "core/TextScan.h"

#include <QStringDecoder>

#include <limits>

namespace {

constexpr char Bom[] = "\xEF\xBB\xBF";

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

QString decodeCp932(const QByteArray& bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    return codePage932().toUnicode(bytes);
}

// Whether the bytes are UTF-8 that holds at least one multi-byte sequence. Ordinary code page 932
// Japanese is never that: its lead bytes 0x81-0x9F cannot start a UTF-8 sequence.
bool isMultiByteUtf8(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// Code page 932's half-width katakana, A1-DF, pair up into valid two-byte UTF-8 (ﾏｲﾅｽ is
// CF B2 C5 BD); a text whose every byte beyond ASCII is one of them is that katakana.
bool isHalfWidthKatakanaOnly(QByteArrayView bytes)
{
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && (byte < 0xA1 || byte > 0xDF))
            return false;
    }
    return true;
}

// QString::fromUtf8 drops a leading byte order mark, but after our marker one is the user's
// own U+FEFF.
QString decodeUtf8KeepingBom(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// A surrogate without its partner has no UTF-8 form (Qt would write '?'); U+FFFD at least
// says that a character stood there.
QString withLoneSurrogatesReplaced(const QString& text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (c.isHighSurrogate() && i + 1 < result.size() && result.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            result[i] = QChar(QChar::ReplacementCharacter);
    }
    return result;
}

} // namespace

QByteArray encodeStoreText(const QString& value)
{
    const QString text = withLoneSurrogatesReplaced(value);
    const QByteArray utf8 = text.toUtf8();
    if (isAscii(utf8))
        return utf8;
    // Only code page 932 bytes that read back as the same text are kept: some characters have
    // several Unicode forms that code page 932 folds into one, and a few runs of bytes would
    // read as UTF-8.
    const std::optional<QByteArray> cp932 = codePage932().fromUnicode(text);
    if (cp932 && decodeStoreText(*cp932) == text)
        return *cp932;
    return QByteArray(Bom) + utf8;
}

QString decodeStoreText(const QByteArray& bytes)
{
    if (bytes.startsWith(Bom))
        return decodeUtf8KeepingBom(QByteArrayView(bytes).sliced(3));
    // Other programs write UTF-8 without the mark.
    if (!isHalfWidthKatakanaOnly(bytes) && isMultiByteUtf8(bytes))
        return decodeUtf8KeepingBom(bytes);
    return decodeCp932(bytes);
}

QString decodeSqlText(const QByteArray& sql)
{
    if (sql.contains(Bom)) {
        QByteArray plain = sql;
        plain.replace(Bom, "");
        return QString::fromUtf8(plain);
    }
    return decodeCp932(sql);
}

QString formatStoreDate(const QDate& date)
{
    return date.toString(QLatin1String(StoreDateFormat));
}

QString formatStoreTime(const QTime& time)
{
    return time.toString(QLatin1String(StoreTimeFormat));
}

std::optional<QDate> strToDate(const QString& text)
{
    // "yyyy/M/d", blanks around it allowed.
    TextScan::Scanner s(text);
    s.skipBlanks();
    const std::optional<int> year = s.number(4, 4);
    if (!year || !s.skip(u'/'))
        return std::nullopt;
    const std::optional<int> month = s.number(1, 2);
    if (!month || !s.skip(u'/'))
        return std::nullopt;
    const std::optional<int> day = s.number(1, 2);
    s.skipBlanks();
    if (!day || !s.atEnd())
        return std::nullopt;
    const QDate date(*year, *month, *day);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

std::optional<QTime> strToTime(const QString& text)
{
    // "H:m" or "H:m:s", blanks around it allowed.
    TextScan::Scanner s(text);
    s.skipBlanks();
    const std::optional<int> hour = s.number(1, 2);
    if (!hour || !s.skip(u':'))
        return std::nullopt;
    const std::optional<int> minute = s.number(1, 2);
    const std::optional<int> second = s.skip(u':') ? s.number(1, 2) : 0;
    s.skipBlanks();
    if (!minute || !second || !s.atEnd())
        return std::nullopt;
    const QTime time(*hour, *minute, *second);
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

std::optional<int> strToInt(const QString& text)
{
    // Leading blanks are allowed, trailing ones are not: " 42" reads as 42, "12 " as nothing. Only
    // one line feed may end the number, as earlier versions allowed.
    TextScan::Scanner s(text);
    s.skipBlanks();
    const bool negative = s.skipSign();
    const std::optional<QStringView> digits = s.digits();
    if (!digits || !s.atLineEnd())
        return std::nullopt;
    constexpr qint64 Limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (QChar c : *digits) {
        value = value * 10 + (c.unicode() - u'0');
        if (value > Limit)
            return std::nullopt;
    }
    if (negative)
        return int(-value);
    return value < Limit ? std::optional<int>(int(value)) : std::nullopt;
}

namespace {

// A decimal number: "7", "-1.", ".5", "+2.5e-3".
bool isDecimalNumber(QStringView word)
{
    TextScan::Scanner s(word);
    s.skipSign();
    const bool whole = s.digits().has_value();
    const bool fraction = s.skip(u'.') && s.digits().has_value();
    if (!whole && !fraction)
        return false;
    if (s.skip(u'e') || s.skip(u'E')) {
        s.skipSign();
        if (!s.digits())
            return false;
    }
    return s.atEnd();
}

} // namespace

std::optional<bool> strToBool(const QString& text)
{
    const QStringView word = QStringView(text).trimmed();
    if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    if (isDecimalNumber(word))
        return word.toDouble() != 0.0;
    return std::nullopt;
}

QString unreadableText(const QString& text, StoreValue kind)
{
    static constexpr const char* names[] = {"date", "time", "integer value", "boolean value"};
    return QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(names[int(kind)]));
}
