#include "shell/BalloonPopup.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStyle>

TBalloonPopup::TBalloonPopup(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), FLabel(new QLabel(this))
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
    FLabel->setWordWrap(true);
    FLabel->setMaximumWidth(360);
    layout->addWidget(FLabel);
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, &QWidget::hide);
}

void TBalloonPopup::ShowText(const QString& text, int timeoutMs)
{
    FLabel->setText(text);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - 12, area.bottom() - height() - 12);
    }
    show();
    raise();
    FTimer.start(timeoutMs);
}

QString TBalloonPopup::Text() const
{
    return FLabel->text();
}

void TBalloonPopup::mousePressEvent(QMouseEvent*)
{
    hide();
}
