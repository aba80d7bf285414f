#include "notes/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QKeyEvent>
#include <QMimeData>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>

namespace {

// The editor keeps plain text only: the text/plain of a clipboard or a drop, or, where a
// program put nothing but HTML there, that HTML's text.
QString PlainTextOf(const QMimeData* source)
{
    if (source->hasText())
        return source->text();
    if (source->hasHtml())
        return QTextDocumentFragment::fromHtml(source->html()).toPlainText();
    return QString();
}

// Shows links by layout formats only, so the document keeps nothing but plain text.
class TLinkHighlighter : public QSyntaxHighlighter {
public:
    TLinkHighlighter(QTextDocument* document, const QColor& linkColor) : QSyntaxHighlighter(document)
    {
        FFormat.setForeground(linkColor);
        FFormat.setFontUnderline(true);
    }

protected:
    void highlightBlock(const QString& text) override
    {
        for (const TLinkRange& link : FindLinks(text))
            setFormat(link.Start, link.Length, FFormat);
    }

private:
    QTextCharFormat FFormat;
};

} // namespace

TRichEdit::TRichEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    // Move events without a button change the pointer over links.
    viewport()->setMouseTracking(true);
}

void TRichEdit::SetAutoUrlDetect(bool on)
{
    if (on == AutoUrlDetect())
        return;
    if (on) {
        FLinks = new TLinkHighlighter(document(), palette().color(QPalette::Link));
    } else {
        delete FLinks;
        FLinks = nullptr;
    }
}

void TRichEdit::SetColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

std::optional<TLinkRange> TRichEdit::LinkAt(const QPoint& pos) const
{
    if (!FLinks)
        return std::nullopt;
    const QTextBlock block = cursorForPosition(pos).block();
    if (!block.isValid() || !block.layout())
        return std::nullopt;
    const QPointF local = QPointF(pos) - (contentOffset() + blockBoundingGeometry(block).topLeft());
    const QTextLayout* layout = block.layout();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const QRectF text = line.naturalTextRect();
        if (local.y() < text.top() || local.y() >= text.bottom())
            continue;
        if (local.x() < text.left() || local.x() >= text.right())
            return std::nullopt;
        const int index = line.xToCursor(local.x(), QTextLine::CursorOnCharacter);
        for (const TLinkRange& link : FindLinks(block.text()))
            if (index >= link.Start && index < link.End())
                return TLinkRange{block.position() + link.Start, link.Length};
        return std::nullopt;
    }
    return std::nullopt;
}

void TRichEdit::SelectRange(int start, int end)
{
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString TRichEdit::SelectedText() const
{
    return textCursor().selectedText();
}

bool TRichEdit::canInsertFromMimeData(const QMimeData* source) const
{
    return (source->hasText() && !source->text().isEmpty()) || source->hasHtml();
}

void TRichEdit::insertFromMimeData(const QMimeData* source)
{
    QMimeData plain;
    plain.setText(PlainTextOf(source));
    QPlainTextEdit::insertFromMimeData(&plain);
}

bool TRichEdit::event(QEvent* event)
{
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

void TRichEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (const std::optional<TLinkRange> link = LinkAt(event->position().toPoint()))
            Q_EMIT LinkPressed(link->Start, link->End());
    }
    QPlainTextEdit::mousePressEvent(event);
}

void TRichEdit::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton)
        viewport()->setCursor(LinkAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::IBeamCursor);
    QPlainTextEdit::mouseMoveEvent(event);
}
