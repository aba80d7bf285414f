#pragma once

#include <QString>
#include <QStringView>

#include <limits>
#include <optional>

// Readers of the few fixed forms of text the program takes in (store values, backup file names),
// written out by hand: a regular expression would load the expression engine at every start and
// allocate at every reading. Blanks and digits are ASCII only.
namespace TextScan {

// Space, tab, line feed, vertical tab, form feed and carriage return.
constexpr bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || (u >= u'\t' && u <= u'\r');
}

constexpr bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// A place in a text that moves on over what it reads and stays where a reading fails.
class Scanner {
public:
    explicit Scanner(QStringView text) : m_text(text) {}

    qsizetype pos() const { return m_pos; }
    bool atEnd() const { return m_pos == m_text.size(); }
    // The end, or a line feed that is the last character: where a regular expression's $ matches,
    // and so where the forms read by one in earlier versions may end.
    bool atLineEnd() const { return atEnd() || (m_pos == m_text.size() - 1 && m_text[m_pos] == u'\n'); }

    bool skip(char16_t c)
    {
        if (atEnd() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }

    bool skip(QLatin1String word)
    {
        if (!m_text.sliced(m_pos).startsWith(word))
            return false;
        m_pos += word.size();
        return true;
    }

    // A + or a -, if one stands here; whether it was a minus.
    bool skipSign()
    {
        if (skip(u'-'))
            return true;
        skip(u'+');
        return false;
    }

    template <typename Predicate>
    qsizetype skipWhile(Predicate belongs, qsizetype most = std::numeric_limits<qsizetype>::max())
    {
        const qsizetype start = m_pos;
        while (m_pos - start < most && !atEnd() && belongs(m_text[m_pos]))
            ++m_pos;
        return m_pos - start;
    }

    void skipBlanks() { skipWhile(isBlank); }

    // From fewest to most digits, as many as stand here; nothing when there are fewer.
    std::optional<QStringView> digits(qsizetype fewest = 1, qsizetype most = std::numeric_limits<qsizetype>::max())
    {
        const qsizetype start = m_pos;
        if (skipWhile(isDigit, most) < fewest) {
            m_pos = start;
            return std::nullopt;
        }
        return m_text.sliced(start, m_pos - start);
    }

    // The value of from fewest to most digits; most is at most nine, so that it fits.
    std::optional<int> number(qsizetype fewest, qsizetype most)
    {
        const std::optional<QStringView> run = digits(fewest, most);
        if (!run)
            return std::nullopt;
        int value = 0;
        for (QChar c : *run)
            value = value * 10 + (c.unicode() - u'0');
        return value;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace TextScan
