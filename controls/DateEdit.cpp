#include "controls/DateEdit.h"

#include "platform/StoreText.h"

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
QIcon DropDownIcon(const QColor& color)
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

TDateEdit::TDateEdit(QWidget* parent) : QLineEdit(parent)
{
    FDropDown = addAction(DropDownIcon(palette().color(QPalette::Text)), QLineEdit::TrailingPosition);
    FDropDown->setToolTip(QStringLiteral("カレンダー (Alt+↓)"));
    connect(FDropDown, &QAction::triggered, this, &TDateEdit::ShowCalendar);
    connect(this, &QLineEdit::editingFinished, this, &TDateEdit::EditingFinished);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (FShowsInvalid && (text().trimmed().isEmpty() || Date()))
            ShowInvalid(false);
    });
}

TDateEdit::~TDateEdit() = default;

std::optional<QDate> TDateEdit::Date() const
{
    if (text().trimmed().isEmpty())
        return std::nullopt;
    try {
        return StrToDate(text());
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

void TDateEdit::SetDate(std::optional<QDate> date)
{
    setText(date && date->isValid() ? FormatStoreDate(*date) : QString());
}

std::optional<QDate> TDateEdit::CheckedDate()
{
    const std::optional<QDate> date = Date();
    ShowInvalid(!date && !text().trimmed().isEmpty());
    return date;
}

// A text that is not a date stays as typed, marked, so that no other date is taken for it.
void TDateEdit::EditingFinished()
{
    if (text().trimmed().isEmpty()) {
        SetDate(std::nullopt);
        return;
    }
    if (const std::optional<QDate> date = CheckedDate())
        SetDate(date);
}

void TDateEdit::ShowInvalid(bool invalid)
{
    if (invalid == FShowsInvalid)
        return;
    FShowsInvalid = invalid;
    QPalette pal = palette();
    if (invalid) {
        pal.setColor(QPalette::Base, QColor(255, 214, 214));
        pal.setColor(QPalette::Text, Qt::black);
    } else {
        pal = QPalette();
    }
    setPalette(pal);
    setToolTip(invalid ? QStringLiteral("日付として読めません。2026/12/31 のように入力してください。") : QString());
}

void TDateEdit::BuildPopup()
{
    FPopup = new QFrame(this, Qt::Popup);
    FPopup->setObjectName(QStringLiteral("CalendarPopup"));
    FPopup->setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(FPopup);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    FCalendar = new QCalendarWidget(FPopup);
    FCalendar->setObjectName(QStringLiteral("Calendar"));
    FCalendar->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    FCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    FCalendar->setGridVisible(true);
    layout->addWidget(FCalendar);
    connect(FCalendar, &QCalendarWidget::clicked, this, &TDateEdit::TakeCalendarDate);
    connect(FCalendar, &QCalendarWidget::activated, this, &TDateEdit::TakeCalendarDate);

    auto* clear = new QPushButton(QStringLiteral("クリア"), FPopup);
    clear->setObjectName(QStringLiteral("btnClear"));
    clear->setAutoDefault(false);
    layout->addWidget(clear, 0, Qt::AlignRight);
    connect(clear, &QPushButton::clicked, this, [this] {
        SetDate(std::nullopt);
        FPopup->hide();
    });
}

void TDateEdit::ShowCalendar()
{
    if (!FPopup)
        BuildPopup();
    if (const std::optional<QDate> date = Date())
        FCalendar->setSelectedDate(*date);
    FPopup->adjustSize();

    // Below the field, or above it where the screen ends.
    QPoint place = mapToGlobal(QPoint(0, height()));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (place.y() + FPopup->height() > area.bottom())
            place.setY(mapToGlobal(QPoint(0, 0)).y() - FPopup->height());
        place.setX(qBound(area.left(), place.x(), qMax(area.left(), area.right() - FPopup->width())));
    }
    FPopup->move(place);
    FPopup->show();
    FCalendar->setFocus();
}

void TDateEdit::TakeCalendarDate(const QDate& date)
{
    SetDate(date);
    FPopup->hide();
    setFocus();
}

void TDateEdit::keyPressEvent(QKeyEvent* event)
{
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (altDown || event->key() == Qt::Key_F4) {
        ShowCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
