#include "gui/BalloonPopup.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStringList>
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
    // Reminder texts are the user's words, never markup.
    m_label->setTextFormat(Qt::PlainText);
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
        move(area.right() - width() - ScreenGap, area.bottom() - height() - ScreenGap);
    }
    show();
    raise();
    m_timer.start(timeoutMs);
}

QString BalloonPopup::text() const
{
    return m_label->text();
}

QString BalloonPopup::fittingText(const QStringList& lines, const QRect& area) const
{
    if (lines.size() <= 1)
        return lines.join(QLatin1Char('\n'));
    // The label wraps at its widest; around it are the layout's margins.
    const QMargins margins = layout()->contentsMargins();
    const int room = area.height() - 2 * ScreenGap - margins.top() - margins.bottom();
    const QFontMetrics metrics(m_label->font());
    const auto height = [&](const QString& text) {
        return metrics.boundingRect(QRect(0, 0, m_label->maximumWidth(), QWIDGETSIZE_MAX), Qt::TextWordWrap, text)
            .height();
    };
    const auto shown = [&](qsizetype count) {
        QStringList kept = lines.first(count);
        if (count < lines.size())
            kept << tr("ほか %1 件").arg(lines.size() - count);
        return kept.join(QLatin1Char('\n'));
    };
    if (height(shown(lines.size())) <= room)
        return shown(lines.size());
    // The most lines that fit beside the count, at least one: a balloon of nothing but the count
    // would tell nothing.
    qsizetype fits = 1;
    for (qsizetype low = 2, high = lines.size() - 1; low <= high;) {
        const qsizetype middle = (low + high) / 2;
        if (height(shown(middle)) <= room) {
            fits = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return shown(fits);
}

void BalloonPopup::mousePressEvent(QMouseEvent*)
{
    hide();
}
