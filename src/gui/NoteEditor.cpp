#include "gui/NoteEditor.h"

#include "gui/NoteTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QKeyEvent>
#include <QMimeData>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QWheelEvent>

namespace {

// The editor keeps plain text only: the text/plain of a clipboard or a drop, or, where a
// program put nothing but HTML there, that HTML's text.
QString plainTextOf(const QMimeData* source)
{
    if (source->hasText())
        return source->text();
    if (source->hasHtml())
        return QTextDocumentFragment::fromHtml(source->html()).toPlainText();
    return QString();
}

// Shows links by layout formats only, so the document keeps nothing but plain text.
class LinkHighlighter : public QSyntaxHighlighter {
public:
    LinkHighlighter(QTextDocument* document, const QColor& linkColor) : QSyntaxHighlighter(document)
    {
        m_format.setForeground(linkColor);
        m_format.setFontUnderline(true);
    }

protected:
    void highlightBlock(const QString& text) override
    {
        for (const LinkRange& link : findLinks(text))
            setFormat(link.start, link.length, m_format);
    }

private:
    QTextCharFormat m_format;
};

} // namespace

NoteEditor::NoteEditor(QWidget* parent) : QPlainTextEdit(parent)
{
    // A note is all text: no frame, no scroll bars, lines wrapped at the width, anywhere in a word
    // too long for it. Its context menu is the note's.
    setMinimumSize(1, 1);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Move events without a button change the pointer over links.
    viewport()->setMouseTracking(true);
}

void NoteEditor::setAutoUrlDetect(bool on)
{
    if (on == autoUrlDetect())
        return;
    if (on) {
        m_links = new LinkHighlighter(document(), palette().color(QPalette::Link));
    } else {
        delete m_links;
        m_links = nullptr;
    }
}

void NoteEditor::setNoteText(const QString& text)
{
    setPlainText(NoteTextView::plainTextOf(text));
}

QString NoteEditor::noteText() const
{
    // A soft line break (Shift+Enter) was typed as one, so it ends a line too.
    QStringList lines;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines << block.text().split(QChar::LineSeparator);
    return noteTextFromLines(lines);
}

std::optional<LinkRange> NoteEditor::linkAt(const QPoint& pos) const
{
    if (!m_links)
        return std::nullopt;
    const QTextBlock block = cursorForPosition(pos).block();
    if (!block.isValid() || !block.layout())
        return std::nullopt;
    const QPointF local = QPointF(pos) - (contentOffset() + blockBoundingGeometry(block).topLeft());
    std::optional<LinkRange> link = NoteTextView::linkInParagraph(*block.layout(), block.text(), local);
    if (link)
        link->start += block.position();
    return link;
}

void NoteEditor::selectRange(int start, int end)
{
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString NoteEditor::selectedText() const
{
    return textCursor().selectedText();
}

bool NoteEditor::canInsertFromMimeData(const QMimeData* source) const
{
    return (source->hasText() && !source->text().isEmpty()) || source->hasHtml();
}

void NoteEditor::insertFromMimeData(const QMimeData* source)
{
    QMimeData plain;
    plain.setText(plainTextOf(source));
    QPlainTextEdit::insertFromMimeData(&plain);
}

bool NoteEditor::event(QEvent* event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        zoomKey(static_cast<QKeyEvent*>(event)))
        return true;
    // The window's shortcuts win over the editor's own use of the same keys (Ctrl+E is
    // "end of line" in some key schemes): leave them unclaimed so the shortcut fires.
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : window()->actions()) {
            if (action->isEnabled() && action->shortcuts().contains(pressed)) {
                event->ignore();
                return true;
            }
        }
    }
    return QPlainTextEdit::event(event);
}

// The text size keys are the editor's own, over any shortcut of the same keys.
bool NoteEditor::zoomKey(QKeyEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        return false;
    const int code = event->key();
    if (code != Qt::Key_Plus && code != Qt::Key_Equal && code != Qt::Key_Minus && code != Qt::Key_0)
        return false;
    event->accept();
    if (event->type() == QEvent::ShortcutOverride)
        return true;
    if (code == Qt::Key_0)
        Q_EMIT defaultZoomRequested();
    else
        Q_EMIT zoomStepsRequested(code == Qt::Key_Minus ? -1 : 1);
    return true;
}

void NoteEditor::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QPlainTextEdit::wheelEvent(event);
        return;
    }
    event->accept();
    if (const int notches = event->angleDelta().y() / 120)
        Q_EMIT zoomStepsRequested(notches);
}

void NoteEditor::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (const std::optional<LinkRange> link = linkAt(event->position().toPoint()))
            Q_EMIT linkPressed(link->start, link->finish());
    }
    QPlainTextEdit::mousePressEvent(event);
}

void NoteEditor::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton)
        viewport()->setCursor(linkAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::IBeamCursor);
    QPlainTextEdit::mouseMoveEvent(event);
}
