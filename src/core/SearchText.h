#pragma once

#include <QString>
#include <QStringList>

// How much of a note's text the search reads: its start. A file of many megabytes pasted into
// one note would otherwise be folded at every showing of the list and searched at every key.
inline constexpr qsizetype SearchedLength = 64 * 1024;

// A text as the note list's search compares it: what a Japanese user takes for the same
// characters folds to one form. Full-width and half-width forms (ＡＢＣ, ｶﾀｶﾅ, １２３) become their
// ordinary ones (NFKC), katakana becomes hiragana, and case is folded.
QString foldForSearch(QStringView text);

// A note as the search compares it: its date and the first SearchedLength characters of its
// text, folded.
QString foldNoteForSearch(const QString& day, const QString& text);

// What is typed into the search, folded and split into its words (separated by blanks) once for
// every text it is matched against.
class SearchQuery {
public:
    explicit SearchQuery(QStringView typed = {});

    // Whether a folded text holds every word.
    bool matches(const QString& foldedText) const;
    // Whether every text this query matches, the other matches too, as when it was typed on
    // from the other.
    bool narrows(const SearchQuery& other) const { return m_folded.startsWith(other.m_folded); }

private:
    QString m_folded;
    QStringList m_words;
};
