#include "shell/Swatch.h"

#include "controls/ColorValue.h"

#include <QMouseEvent>
#include <QPainter>

TSwatch::TSwatch(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setMouseTracking(true);
}

quint32 TSwatch::ColorValue() const
{
    return property("colorValue").toUInt();
}

void TSwatch::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), ColorFromValue(ColorValue()));
    painter.end();
    QFrame::paintEvent(event);
}

void TSwatch::mousePressEvent(QMouseEvent* event)
{
    FInside = true;
    FPressed = true;
    Q_EMIT MouseDown(event->button());
}

void TSwatch::mouseMoveEvent(QMouseEvent* event)
{
    const bool inside = rect().contains(event->position().toPoint());
    if (inside)
        FInside = true;
    else if (FInside)
        Left();
}

void TSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = FPressed;
    FPressed = false;
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked();
}

void TSwatch::mouseDoubleClickEvent(QMouseEvent* event)
{
    FInside = true;
    FPressed = true;
    if (event->button() == Qt::LeftButton)
        Q_EMIT DoubleClicked();
}

void TSwatch::enterEvent(QEnterEvent*)
{
    FInside = true;
}

void TSwatch::leaveEvent(QEvent*)
{
    if (FInside)
        Left();
}

void TSwatch::Left()
{
    FInside = false;
    Q_EMIT MouseLeave();
}
