#pragma once

#include "core/NoteText.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QTextLayout;

// A note's text as its editor shows it, at scroll position 0 and without a caret: the same
// font, ink, margins, word wrap and link underlines, pixel for pixel, from one QTextLayout per
// paragraph instead of a document. A note that is only looked at needs no more; a click, the
// keyboard focus or a command that edits builds the editor in its place. The text is laid out
// when first painted, at the size the window then has.
class NoteTextView : public QWidget {
    Q_OBJECT

public:
    explicit NoteTextView(QWidget* parent = nullptr);
    ~NoteTextView() override;

    // The note's whole text; line breaks may be CR LF, LF or CR.
    void setNoteText(const QString& text);
    // The text as the editor takes it, with LF line breaks.
    const QString& plainText() const { return m_plain; }
    // The lines, each followed by CR LF, as the editor would give them.
    QString noteText() const;

    // Where the editor would put the caret for a click at a point.
    int positionAt(const QPoint& pos);
    // The link under a point, as positions in the text.
    std::optional<LinkRange> linkAt(const QPoint& pos);

    // Until the editor takes over, the input method sees its caret at the start of the text.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // The editor's text without the line breaks an editor makes of CR LF, LF or CR.
    static QString plainTextOf(const QString& noteText);
    // The link of a laid-out paragraph under a point given in the paragraph's own coordinates;
    // a point beside the end of a line is on none. Shared with the editor, so both agree.
    static std::optional<LinkRange> linkInParagraph(const QTextLayout& layout, const QString& text,
                                                    const QPointF& local);

Q_SIGNALS:
    // A left-button press at a position in the text; linkPressed comes first when it is on a link.
    void pressed(int position);
    void linkPressed(int start, int end);
    // Ctrl with the wheel: the text size so many steps larger, or smaller when negative.
    void zoomStepsRequested(int steps);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Paragraph;
    // The paragraph under a point and the point in its own coordinates.
    std::pair<const Paragraph*, QPointF> paragraphAt(const QPoint& pos);
    void layOut();

    QString m_plain;
    std::vector<Paragraph> m_paragraphs;
    // The width the paragraphs were laid out at; -1 while they must be laid out anew.
    int m_laidOutWidth = -1;
    // The widest line with its margins, which bounds what paints on the right as in the editor.
    qreal m_widest = 0;
};
