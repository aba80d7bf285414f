#include "NoteText.h"

#include <QRegularExpression>

QList<LinkRange> findLinks(const QString& line)
{
    // Anything printable in ASCII but blanks, quotes and angle brackets belongs to a link; a
    // letter or digit just before the scheme means it is part of a longer word.
    static const QRegularExpression pattern(
        QStringLiteral("(?<![A-Za-z0-9_])((?:https?|ftp|news|telnet)://"
                       "|mailto:|file:|www\\.)([\\x21\\x23-\\x3b\\x3d\\x3f-\\x7e]*)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QString trailing = QStringLiteral(".,;:!?'()[]{}");

    QList<LinkRange> links;
    for (QRegularExpressionMatchIterator it = pattern.globalMatch(line); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString rest = match.captured(2);
        while (!rest.isEmpty() && trailing.contains(rest.back()))
            rest.chop(1);
        if (rest.isEmpty())
            continue;
        links << LinkRange{int(match.capturedStart()), int(match.capturedLength(1) + rest.size())};
    }
    return links;
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
