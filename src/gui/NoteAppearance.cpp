#include "gui/NoteAppearance.h"

#include "gui/ColorValue.h"

#include <QIcon>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace {

// Each top-level window hands the X server its icon in every size the icon has, 350 KB for the
// program's; a note, which no task bar shows, keeps the small sizes that window lists use.
QIcon smallSizesOf(const QIcon& icon)
{
    QIcon small;
    for (const QSize& size : icon.availableSizes())
        if (size.width() <= 32 && size.height() <= 32)
            small.addPixmap(icon.pixmap(size));
    return small;
}

// Every note shares one small icon, made once from the icon the notes inherit: making it for each
// note took a tenth of a note's start-up.
QIcon sharedSmallIcon(const QIcon& inherited)
{
    static qint64 madeFrom = 0;
    static QIcon small;
    if (inherited.cacheKey() != madeFrom) {
        madeFrom = inherited.cacheKey();
        small = smallSizesOf(inherited);
    }
    return small;
}

} // namespace

NoteAppearance::NoteAppearance(QWidget& window, QWidget& text) : m_window(window), m_text(&text)
{
    if (const QIcon small = sharedSmallIcon(window.windowIcon()); !small.isNull())
        window.setWindowIcon(small);
    // Notes come in pastel colours whatever the desktop's theme: their text, date and links are
    // always dark on them. Their menu, a window of its own, keeps the theme.
    QPalette ink = window.palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        ink.setColor(role, Qt::black);
    ink.setColor(QPalette::PlaceholderText, Qt::darkGray);
    ink.setColor(QPalette::Link, QColor(0, 0, 204));
    ink.setColor(QPalette::Highlight, QColor(51, 102, 204));
    ink.setColor(QPalette::HighlightedText, Qt::white);
    window.setPalette(ink);
    setColor(m_color);
}

void NoteAppearance::setColor(quint32 color)
{
    m_color = color;
    QPalette pal = m_window.palette();
    pal.setColor(QPalette::Window, colorFromValue(color));
    m_window.setPalette(pal);
    setTextBackground();
    m_window.update();
}

void NoteAppearance::setTextBackground()
{
    QPalette pal = m_text->palette();
    pal.setColor(QPalette::Base, colorFromValue(m_color));
    m_text->setPalette(pal);
}

void NoteAppearance::showTextIn(QWidget& text)
{
    // Only a zoomed text has a font of its own; the others keep the one they inherit.
    if (m_text->testAttribute(Qt::WA_SetFont))
        text.setFont(m_text->font());
    m_text = &text;
    setTextBackground();
}

void NoteAppearance::showLook(const NoteLook& look, const QRect& bounds)
{
    QFont font = m_window.font();
    font.setPointSizeF(font.pointSizeF() * look.zoom / 100.0);
    m_text->setFont(font);
    if (bool(m_window.windowFlags() & Qt::WindowStaysOnTopHint) != look.onTop) {
        const bool shown = m_window.isVisible();
        // Changing a window's flags hides it; it comes back where it was.
        m_window.setWindowFlag(Qt::WindowStaysOnTopHint, look.onTop);
        m_window.setGeometry(bounds);
        if (shown)
            m_window.show();
    }
}

void NoteAppearance::paint()
{
    QPainter painter(&m_window);
    const QColor color = colorFromValue(m_color);
    painter.fillRect(m_window.rect(), color);
    painter.setPen(color.darker(160));
    painter.drawRect(m_window.rect().adjusted(0, 0, -1, -1));
}

const QList<int>& NoteAppearance::zoomSteps()
{
    static const QList<int> steps = {50, 67, 75, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
    return steps;
}

int NoteAppearance::zoomedBy(int from, int steps)
{
    const QList<int>& zoom = zoomSteps();
    int target = from;
    for (int i = 0; i < std::abs(steps); ++i) {
        if (steps > 0) {
            const auto above = std::upper_bound(zoom.begin(), zoom.end(), target);
            if (above != zoom.end())
                target = *above;
        } else {
            const auto below = std::lower_bound(zoom.begin(), zoom.end(), target);
            if (below != zoom.begin())
                target = *(below - 1);
        }
    }
    return target;
}
