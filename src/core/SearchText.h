#pragma once

#include <QString>

// A text as the note list's search compares it: what a Japanese user takes for the same
// characters folds to one form. Full-width and half-width forms (ＡＢＣ, ｶﾀｶﾅ, １２３) become their
// ordinary ones (NFKC), katakana becomes hiragana, and case is folded.
QString foldForSearch(const QString& text);

// Whether a folded text holds every word of a folded query; words are separated by blanks.
bool matchesSearch(const QString& foldedText, const QString& foldedQuery);
