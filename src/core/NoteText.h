#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A stretch of one line of note text that has the form of a URL.
struct LinkRange {
    int start = 0;
    int length = 0;

    int finish() const { return start + length; }
    bool operator==(const LinkRange&) const = default;
};

// Every URL-shaped stretch of a line, left to right: the http://, https://, ftp://, file:,
// mailto:, news:, telnet: and www. forms, up to the next blank or non-ASCII character, without
// trailing punctuation.
QList<LinkRange> findLinks(const QString& line);

// The note text as the store keeps it: every line followed by CR LF. An empty editor gives an
// empty text, and an empty last line (the text ended in a line break) is not a line of its own,
// so that a stored text comes back unchanged after a restore and a save.
QString noteTextFromLines(const QStringList& lines);

// The first length characters of a text, or one fewer where the cut would split a surrogate pair.
QStringView textStart(QStringView text, qsizetype length);
