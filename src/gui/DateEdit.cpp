#include "gui/DateEdit.h"

#include "core/StoreText.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// A small down-pointing triangle: the style's arrow icons are drawn for toolbars and too big
// for a field 21 pixels high.
QIcon dropDownIcon(const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const QPointF triangle[] = {{4.0, 6.0}, {12.0, 6.0}, {8.0, 10.5}};
    painter.drawPolygon(triangle, 3);
    return QIcon(pixmap);
}

} // namespace

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent)
{
    m_dropDown = addAction(dropDownIcon(palette().color(QPalette::Text)), QLineEdit::TrailingPosition);
    m_dropDown->setToolTip(tr("カレンダー (Alt+↓)"));
    connect(m_dropDown, &QAction::triggered, this, &DateEdit::showCalendar);
    connect(this, &QLineEdit::editingFinished, this, &DateEdit::takeTypedText);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (m_showsInvalid && (text().trimmed().isEmpty() || enteredDate()))
            showInvalid(false);
    });
}

DateEdit::~DateEdit() = default;

std::optional<QDate> DateEdit::enteredDate() const
{
    if (text().trimmed().isEmpty())
        return std::nullopt;
    return strToDate(text());
}

void DateEdit::setDate(std::optional<QDate> date)
{
    setText(date && date->isValid() ? formatStoreDate(*date) : QString());
}

std::optional<QDate> DateEdit::checkedDate()
{
    const std::optional<QDate> date = enteredDate();
    showInvalid(!date && !text().trimmed().isEmpty());
    return date;
}

// A text that is not a date stays as typed, marked, so that no other date is taken for it.
void DateEdit::takeTypedText()
{
    if (text().trimmed().isEmpty()) {
        setDate(std::nullopt);
        return;
    }
    if (const std::optional<QDate> date = checkedDate())
        setDate(date);
}

void DateEdit::showInvalid(bool invalid)
{
    if (invalid == m_showsInvalid)
        return;
    m_showsInvalid = invalid;
    QPalette pal = palette();
    if (invalid) {
        pal.setColor(QPalette::Base, QColor(255, 214, 214));
        pal.setColor(QPalette::Text, Qt::black);
    } else {
        pal = QPalette();
    }
    setPalette(pal);
    setToolTip(invalid ? tr("日付として読めません。2026/12/31 のように入力してください。") : QString());
}

void DateEdit::buildPopup()
{
    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("CalendarPopup"));
    m_popup->setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setObjectName(QStringLiteral("Calendar"));
    m_calendar->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setGridVisible(true);
    layout->addWidget(m_calendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &DateEdit::takeCalendarDate);
    connect(m_calendar, &QCalendarWidget::activated, this, &DateEdit::takeCalendarDate);

    auto* clear = new QPushButton(tr("クリア"), m_popup);
    clear->setObjectName(QStringLiteral("clearButton"));
    clear->setAutoDefault(false);
    layout->addWidget(clear, 0, Qt::AlignRight);
    connect(clear, &QPushButton::clicked, this, [this] {
        setDate(std::nullopt);
        m_popup->hide();
    });
}

void DateEdit::showCalendar()
{
    if (!m_popup)
        buildPopup();
    if (const std::optional<QDate> date = enteredDate())
        m_calendar->setSelectedDate(*date);
    m_popup->adjustSize();

    // Below the field, or above it where the screen ends.
    QPoint place = mapToGlobal(QPoint(0, height()));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (place.y() + m_popup->height() > area.bottom())
            place.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
        place.setX(qBound(area.left(), place.x(), qMax(area.left(), area.right() - m_popup->width())));
    }
    m_popup->move(place);
    m_popup->show();
    m_calendar->setFocus();
}

void DateEdit::takeCalendarDate(const QDate& date)
{
    setDate(date);
    m_popup->hide();
    setFocus();
}

void DateEdit::keyPressEvent(QKeyEvent* event)
{
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (altDown || event->key() == Qt::Key_F4) {
        showCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
