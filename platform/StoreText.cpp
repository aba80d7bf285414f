#include "platform/StoreText.h"

#include "platform/CodePage932.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

constexpr char Bom[] = "\xEF\xBB\xBF";

bool IsAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

QString DecodeCp932(const QByteArray& bytes)
{
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes);
    return CodePage932().ToUnicode(bytes);
}

// Whether the bytes are UTF-8 that holds at least one multi-byte sequence. Ordinary code page 932
// Japanese is never that: its lead bytes 0x81-0x9F cannot start a UTF-8 sequence.
bool IsMultiByteUtf8(QByteArrayView bytes)
{
    if (IsAscii(bytes))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// Code page 932's half-width katakana, A1-DF, pair up into valid two-byte UTF-8 (ﾏｲﾅｽ is
// CF B2 C5 BD); a text whose every byte beyond ASCII is one of them is that katakana.
bool IsHalfWidthKatakanaOnly(QByteArrayView bytes)
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
QString DecodeUtf8KeepingBom(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// A surrogate without its partner has no UTF-8 form (Qt would write '?'); U+FFFD at least
// says that a character stood there.
QString WithLoneSurrogatesReplaced(const QString& text)
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

[[noreturn]] void Fail(const QString& text, const char* what)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(what)));
}

} // namespace

QByteArray EncodeStoreText(const QString& value)
{
    const QString text = WithLoneSurrogatesReplaced(value);
    const QByteArray utf8 = text.toUtf8();
    if (IsAscii(utf8))
        return utf8;
    // Only code page 932 bytes that read back as the same text are kept: some characters have
    // several Unicode forms that code page 932 folds into one, and a few runs of bytes would
    // read as UTF-8.
    const std::optional<QByteArray> cp932 = CodePage932().FromUnicode(text);
    if (cp932 && DecodeStoreText(*cp932) == text)
        return *cp932;
    return QByteArray(Bom) + utf8;
}

QString DecodeStoreText(const QByteArray& bytes)
{
    if (bytes.startsWith(Bom))
        return DecodeUtf8KeepingBom(QByteArrayView(bytes).sliced(3));
    // Other programs write UTF-8 without the mark.
    if (!IsHalfWidthKatakanaOnly(bytes) && IsMultiByteUtf8(bytes))
        return DecodeUtf8KeepingBom(bytes);
    return DecodeCp932(bytes);
}

QString DecodeSqlText(const QByteArray& sql)
{
    if (sql.contains(Bom)) {
        QByteArray plain = sql;
        plain.replace(Bom, "");
        return QString::fromUtf8(plain);
    }
    return DecodeCp932(sql);
}

QString FormatStoreDate(const QDate& date)
{
    return date.toString(QLatin1String(StoreDateFormat));
}

QString FormatStoreTime(const QTime& time)
{
    return time.toString(QLatin1String(StoreTimeFormat));
}

QDate StrToDate(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{4})/(\\d{1,2})/(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (m.hasMatch()) {
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (date.isValid())
            return date;
    }
    Fail(text, "date");
}

QTime StrToTime(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (m.hasMatch()) {
        const int seconds = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
        const QTime time(m.captured(1).toInt(), m.captured(2).toInt(), seconds);
        if (time.isValid())
            return time;
    }
    Fail(text, "time");
}

int StrToInt(const QString& text)
{
    // Leading blanks are allowed, trailing ones are not, as in the runtime the store was made with.
    static const QRegularExpression pattern(QStringLiteral("^\\s*[+-]?\\d+$"));
    if (pattern.match(text).hasMatch()) {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (ok)
            return value;
    }
    Fail(text, "integer value");
}

bool StrToBool(const QString& text)
{
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!word.isEmpty() && number.match(word).hasMatch())
        return word.toDouble() != 0.0;
    Fail(text, "boolean value");
}
