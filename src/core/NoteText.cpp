#include "core/NoteText.h"

#include <QRegularExpression>

QList<LinkRange> findLinks(const QString& line)
{
    // Anything printable in ASCII but blanks, quotes and angle brackets belongs to a link; a
    // letter or digit just before the scheme means it is part of a longer word. The forms that
    // are no links are still matched, so that a www. inside one is not taken for a link.
    static const QRegularExpression pattern(
        QStringLiteral("(?<![A-Za-z0-9_])((?:https?|ftp|news|telnet)://"
                       "|mailto:|file:|www\\.)([\\x21\\x23-\\x3b\\x3d\\x3f-\\x7e]*)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QString trailing = QStringLiteral(".,;:!?'()[]{}");
    static const QStringList linkForms = {QStringLiteral("http://"), QStringLiteral("https://"),
                                          QStringLiteral("mailto:"), QStringLiteral("www.")};

    QList<LinkRange> links;
    for (QRegularExpressionMatchIterator it = pattern.globalMatch(line); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (!linkForms.contains(match.captured(1).toLower()))
            continue;
        QString rest = match.captured(2);
        while (!rest.isEmpty() && trailing.contains(rest.back()))
            rest.chop(1);
        if (rest.isEmpty())
            continue;
        links << LinkRange{int(match.capturedStart()), int(match.capturedLength(1) + rest.size())};
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
