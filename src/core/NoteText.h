#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

// A stretch of one line of note text that has the form of a URL.
struct LinkRange {
    int start = 0;
    int length = 0;

    int finish() const { return start + length; }
    bool operator==(const LinkRange&) const = default;
};

// Every link in a line, left to right: the http://, https://, mailto: and www. forms, up to the
// next blank or non-ASCII character, without trailing punctuation. Other address forms (file:,
// ftp:, telnet: ...) stay plain text: a click on one would hand a file or a program to the shell.
QList<LinkRange> findLinks(const QString& line);

// The address a link text opens: an http, https or mailto URL, a www. text as http. Anything else
// gives an empty URL, whatever handed the text in.
QUrl linkUrl(const QString& text);

// The note text as the store keeps it: every line followed by CR LF. An empty editor gives an
// empty text, and an empty last line (the text ended in a line break) is not a line of its own,
// so that a stored text comes back unchanged after a restore and a save.
QString noteTextFromLines(const QStringList& lines);

// The first length characters of a text, or one fewer where the cut would split a surrogate pair.
QStringView textStart(QStringView text, qsizetype length);
