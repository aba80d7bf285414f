#include "BalloonPopup.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStyle>

BalloonPopup::BalloonPopup(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("BalloonPopup"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setStyleSheet(QStringLiteral("#BalloonPopup { background: #ffffe1; border: 1px solid #767676; } "
                                 "QLabel { color: black; }"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 12, 8);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(24, 24));
    layout->addWidget(icon, 0, Qt::AlignTop);
    m_label->setWordWrap(true);
    m_label->setMaximumWidth(360);
    layout->addWidget(m_label);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::hide);
}

void BalloonPopup::showText(const QString& text, int timeoutMs)
{
    m_label->setText(text);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - 12, area.bottom() - height() - 12);
    }
    show();
    raise();
    m_timer.start(timeoutMs);
}

QString BalloonPopup::text() const
{
    return m_label->text();
}

void BalloonPopup::mousePressEvent(QMouseEvent*)
{
    hide();
}
