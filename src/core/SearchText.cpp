#include "core/SearchText.h"

#include "core/NoteText.h"

QString foldForSearch(QStringView text)
{
    QString folded = text.toString().normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar& c : folded) {
        const char16_t u = c.unicode();
        // ァ..ヶ and ヽヾ sit 0x60 above their hiragana.
        if ((u >= 0x30A1 && u <= 0x30F6) || u == 0x30FD || u == 0x30FE)
            c = QChar(char16_t(u - 0x60));
    }
    return folded;
}

QString foldNoteForSearch(const QString& day, const QString& text)
{
    const QStringView start = textStart(text, SearchedLength);
    QString searched;
    searched.reserve(day.size() + 1 + start.size());
    searched.append(day).append(QLatin1Char(' ')).append(start);
    return foldForSearch(searched);
}

SearchQuery::SearchQuery(QStringView typed)
    : m_folded(foldForSearch(typed)), m_words(m_folded.split(QLatin1Char(' '), Qt::SkipEmptyParts))
{
}

bool SearchQuery::matches(const QString& foldedText) const
{
    for (const QString& word : m_words)
        if (!foldedText.contains(word))
            return false;
    return true;
}
