#include "SearchText.h"

#include <QStringList>

QString foldForSearch(const QString& text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar& c : folded) {
        const char16_t u = c.unicode();
        // ァ..ヶ and ヽヾ sit 0x60 above their hiragana.
        if ((u >= 0x30A1 && u <= 0x30F6) || u == 0x30FD || u == 0x30FE)
            c = QChar(char16_t(u - 0x60));
    }
    return folded;
}

bool matchesSearch(const QString& foldedText, const QString& foldedQuery)
{
    const QStringList words = foldedQuery.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& word : words)
        if (!foldedText.contains(word))
            return false;
    return true;
}
