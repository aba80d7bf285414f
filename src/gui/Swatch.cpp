#include "gui/Swatch.h"

#include "gui/ColorValue.h"

#include <QMouseEvent>
#include <QPainter>

Swatch::Swatch(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setMouseTracking(true);
}

quint32 Swatch::colorValue() const
{
    return property("colorValue").toUInt();
}

void Swatch::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), colorFromValue(colorValue()));
    painter.end();
    QFrame::paintEvent(event);
}

void Swatch::mousePressEvent(QMouseEvent* event)
{
    m_inside = true;
    m_pressed = true;
    Q_EMIT pressed(event->button());
}

void Swatch::mouseMoveEvent(QMouseEvent* event)
{
    const bool inside = rect().contains(event->position().toPoint());
    if (inside)
        m_inside = true;
    else if (m_inside)
        left();
}

void Swatch::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void Swatch::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_inside = true;
    m_pressed = true;
    if (event->button() == Qt::LeftButton)
        Q_EMIT doubleClicked();
}

void Swatch::enterEvent(QEnterEvent*)
{
    m_inside = true;
}

void Swatch::leaveEvent(QEvent*)
{
    if (m_inside)
        left();
}

void Swatch::left()
{
    m_inside = false;
    Q_EMIT cursorLeft();
}
