#pragma once

#include <QDate>
#include <QLineEdit>

#include <optional>

class QAction;
class QCalendarWidget;
class QFrame;

// A date field with a drop-down calendar. It shows and reads the store's date form; an empty
// field holds no date, and the user may clear it (delete the text, or "クリア" on the calendar).
class TDateEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TDateEdit(QWidget* parent = nullptr);
    ~TDateEdit() override;

    // The date the text reads as; none for an empty text or one that is not a date.
    std::optional<QDate> Date() const;
    // As Date, and a text that is not a date is marked as wrong until it is mended.
    std::optional<QDate> CheckedDate();
    bool ShowsInvalid() const { return FShowsInvalid; }
    // Shows the date; none (or an invalid date) empties the field.
    void SetDate(std::optional<QDate> date);

    void ShowCalendar();
    QFrame* CalendarPopup() const { return FPopup; }
    QCalendarWidget* Calendar() const { return FCalendar; }
    QAction* DropDownAction() const { return FDropDown; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildPopup();
    void TakeCalendarDate(const QDate& date);
    void EditingFinished();
    void ShowInvalid(bool invalid);

    QAction* FDropDown = nullptr;
    QFrame* FPopup = nullptr;
    QCalendarWidget* FCalendar = nullptr;
    bool FShowsInvalid = false;
};
