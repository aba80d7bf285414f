#include "gui/NoteTextView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTextLayout>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// What QPlainTextEdit uses: its document's default margin around the text, and its caret's width,
// which it leaves paintable past the right margin.
constexpr qreal Margin = 4;
constexpr int CursorWidth = 1;

// The characters at which a plain-text document begins a new paragraph.
bool endsParagraph(QChar c)
{
    return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) || c == QChar(0xFDD1);
}

} // namespace

struct NoteTextView::Paragraph {
    // Where the paragraph starts in the text.
    int position = 0;
    QString text;
    std::unique_ptr<QTextLayout> layout;
    // As the editor's layout has it: the lines, and the bottom margin below the last paragraph.
    qreal height = 0;
};

NoteTextView::NoteTextView(QWidget* parent) : QWidget(parent)
{
    // The window's activation and Tab land here, to be handed on to the editor; a click does not
    // take the focus first, so that the press itself says where the caret goes.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setCursor(Qt::IBeamCursor);
    // Move events without a button change the pointer over links.
    setMouseTracking(true);
}

NoteTextView::~NoteTextView() = default;

QString NoteTextView::plainTextOf(const QString& noteText)
{
    QString plain = noteText;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return plain;
}

void NoteTextView::setNoteText(const QString& text)
{
    m_plain = plainTextOf(text);
    m_paragraphs.clear();
    int start = 0;
    for (int i = 0; i <= m_plain.size(); ++i) {
        if (i == m_plain.size() || endsParagraph(m_plain.at(i))) {
            Paragraph paragraph;
            paragraph.position = start;
            paragraph.text = m_plain.mid(start, i - start);
            m_paragraphs.push_back(std::move(paragraph));
            start = i + 1;
        }
    }
    m_laidOutWidth = -1;
    update();
}

QString NoteTextView::noteText() const
{
    // A soft line break (Shift+Enter) ends a line too, as in the editor.
    QStringList lines;
    for (const Paragraph& paragraph : m_paragraphs)
        lines << paragraph.text.split(QChar::LineSeparator);
    return noteTextFromLines(lines);
}

// The editor's plain-text layout, paragraph by paragraph: lines of the width less both margins,
// leading included, starting at the left margin.
void NoteTextView::layOut()
{
    if (m_laidOutWidth == width())
        return;
    m_laidOutWidth = width();
    m_widest = 0;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const qreal available = (width() > 0 ? qreal(width()) : qreal(INT_MAX)) - 2 * Margin;
    QTextCharFormat linkFormat;
    linkFormat.setForeground(palette().color(QPalette::Link));
    linkFormat.setFontUnderline(true);
    for (Paragraph& paragraph : m_paragraphs) {
        paragraph.layout = std::make_unique<QTextLayout>(paragraph.text, font(), this);
        QTextLayout& layout = *paragraph.layout;
        layout.setTextOption(option);
        QList<QTextLayout::FormatRange> links;
        for (const LinkRange& link : findLinks(paragraph.text))
            links.append({link.start, link.length, linkFormat});
        layout.setFormats(links);
        layout.beginLayout();
        qreal height = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(available);
            line.setPosition(QPointF(Margin, height));
            height += line.height();
            if (line.leading() < 0)
                height += std::ceil(line.leading());
            m_widest = std::max(m_widest, line.naturalTextWidth() + 2 * Margin);
        }
        layout.endLayout();
        paragraph.height = layout.boundingRect().bottom();
    }
    if (!m_paragraphs.empty())
        m_paragraphs.back().height += Margin;
}

void NoteTextView::paintEvent(QPaintEvent* event)
{
    layOut();
    QPainter painter(this);
    QPointF offset(0, Margin);
    painter.setBrushOrigin(offset);
    QRect exposed = event->rect();
    exposed.setRight(std::min(exposed.right(), int(std::max(qreal(width()), m_widest) - Margin + CursorWidth)));
    painter.setClipRect(exposed);
    painter.setPen(palette().color(QPalette::Text));
    for (const Paragraph& paragraph : m_paragraphs) {
        const qreal bottom = offset.y() + paragraph.height;
        if (bottom >= exposed.top() && offset.y() <= exposed.bottom())
            paragraph.layout->draw(&painter, offset, {}, exposed);
        offset.ry() += paragraph.height;
        if (offset.y() > height())
            break;
    }
}

std::pair<const NoteTextView::Paragraph*, QPointF> NoteTextView::paragraphAt(const QPoint& pos)
{
    layOut();
    QPointF at(pos.x(), pos.y() - Margin);
    // Below the text the last paragraph, above it the first.
    size_t i = 0;
    while (i + 1 < m_paragraphs.size() && m_paragraphs[i].height <= at.y()) {
        at.ry() -= m_paragraphs[i].height;
        ++i;
    }
    return {&m_paragraphs[i], at};
}

int NoteTextView::positionAt(const QPoint& pos)
{
    const auto [paragraph, local] = paragraphAt(pos);
    int offset = 0;
    const QTextLayout& layout = *paragraph->layout;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const QRectF rect = line.naturalTextRect();
        if (rect.top() > local.y()) {
            offset = std::min(offset, line.textStart());
        } else if (rect.bottom() <= local.y()) {
            offset = std::max(offset, line.textStart() + line.textLength());
        } else {
            offset = line.xToCursor(local.x(), QTextLine::CursorBetweenCharacters);
            break;
        }
    }
    return paragraph->position + offset;
}

std::optional<LinkRange> NoteTextView::linkAt(const QPoint& pos)
{
    const auto [paragraph, local] = paragraphAt(pos);
    std::optional<LinkRange> link = linkInParagraph(*paragraph->layout, paragraph->text, local);
    if (link)
        link->start += paragraph->position;
    return link;
}

std::optional<LinkRange> NoteTextView::linkInParagraph(const QTextLayout& layout, const QString& text,
                                                       const QPointF& local)
{
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const QRectF rect = line.naturalTextRect();
        if (local.y() < rect.top() || local.y() >= rect.bottom())
            continue;
        if (local.x() < rect.left() || local.x() >= rect.right())
            return std::nullopt;
        const int index = line.xToCursor(local.x(), QTextLine::CursorOnCharacter);
        for (const LinkRange& link : findLinks(text))
            if (index >= link.start && index < link.finish())
                return link;
        return std::nullopt;
    }
    return std::nullopt;
}

QVariant NoteTextView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
        return QRect(int(Margin), int(Margin), CursorWidth, fontMetrics().height());
    default:
        return QWidget::inputMethodQuery(query);
    }
}

bool NoteTextView::event(QEvent* event)
{
    // Links take the palette's colour, lines the font: either change lays the text out anew.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        m_laidOutWidth = -1;
        update();
    }
    return QWidget::event(event);
}

void NoteTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const QPoint at = event->position().toPoint();
    if (const std::optional<LinkRange> link = linkAt(at))
        Q_EMIT linkPressed(link->start, link->finish());
    Q_EMIT pressed(positionAt(at));
}

void NoteTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton)
        setCursor(linkAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::IBeamCursor);
    event->accept();
}

void NoteTextView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QWidget::wheelEvent(event);
        return;
    }
    event->accept();
    if (const int notches = event->angleDelta().y() / 120)
        Q_EMIT zoomStepsRequested(notches);
}
