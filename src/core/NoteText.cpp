#include "core/NoteText.h"

#include "core/TextScan.h"

namespace {

// Anything printable in ASCII but blanks, quotes and angle brackets belongs to a link.
bool inLink(QChar c)
{
    const char16_t u = c.unicode();
    return u > u' ' && u < 0x7f && u != u'"' && u != u'<' && u != u'>';
}

bool isWordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || TextScan::isDigit(c) || u == u'_';
}

// Whether the text starts with a lower-case ASCII word, in either case.
bool startsWithCaseless(QStringView text, QLatin1String word)
{
    if (text.size() < word.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t u = text[i].unicode();
        if ((u >= u'A' && u <= u'Z' ? u | 0x20 : u) != char16_t(word[i].unicode()))
            return false;
    }
    return true;
}

bool isTrailingPunctuation(QChar c)
{
    return QLatin1String(".,;:!?'()[]{}").contains(c);
}

struct Scheme {
    QLatin1String start;
    bool link;
};

// The forms that are no links are still read, so that a www. inside one is not taken for a link.
constexpr Scheme Schemes[] = {
    {QLatin1String("http://"), true},    {QLatin1String("https://"), true}, {QLatin1String("mailto:"), true},
    {QLatin1String("www."), true},       {QLatin1String("ftp://"), false},  {QLatin1String("news://"), false},
    {QLatin1String("telnet://"), false}, {QLatin1String("file:"), false},
};

const Scheme* schemeAt(QStringView text)
{
    for (const Scheme& scheme : Schemes)
        if (startsWithCaseless(text, scheme.start))
            return &scheme;
    return nullptr;
}

} // namespace

QList<LinkRange> findLinks(const QString& line)
{
    const QStringView text(line);
    QList<LinkRange> links;
    qsizetype at = 0;
    while (at < text.size()) {
        // A letter or digit just before the scheme means it is part of a longer word.
        const Scheme* scheme = at == 0 || !isWordCharacter(text[at - 1]) ? schemeAt(text.sliced(at)) : nullptr;
        if (!scheme) {
            ++at;
            continue;
        }
        const qsizetype restStart = at + scheme->start.size();
        qsizetype end = restStart;
        while (end < text.size() && inLink(text[end]))
            ++end;
        qsizetype linkEnd = end;
        while (linkEnd > restStart && isTrailingPunctuation(text[linkEnd - 1]))
            --linkEnd;
        if (scheme->link && linkEnd > restStart)
            links << LinkRange{int(at), int(linkEnd - at)};
        at = end;
    }
    return links;
}

QUrl linkUrl(const QString& text)
{
    // "www." links carry no scheme; the desktop needs one to pick a handler.
    const bool bare = text.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
    const QUrl url(bare ? QLatin1String("http://") + text : text, QUrl::TolerantMode);
    if (!url.isValid())
        return QUrl();
    const QString scheme = url.scheme(); // QUrl keeps schemes in lower case
    const bool web = (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
    const bool mail = scheme == QLatin1String("mailto") && !url.path().isEmpty();
    return web || mail ? url : QUrl();
}

QString noteTextFromLines(const QStringList& lines)
{
    if (lines.isEmpty() || (lines.size() == 1 && lines.front().isEmpty()))
        return QString();
    qsizetype count = lines.size();
    if (lines.back().isEmpty())
        --count;
    QString text;
    for (qsizetype i = 0; i < count; ++i)
        text += lines.at(i) + QLatin1String("\r\n");
    return text;
}

QStringView textStart(QStringView text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (length > 0 && text[length - 1].isHighSurrogate() && text[length].isLowSurrogate())
        --length;
    return text.first(length);
}
