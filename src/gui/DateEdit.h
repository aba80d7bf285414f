#pragma once

#include <QDate>
#include <QLineEdit>

#include <optional>

class QAction;
class QCalendarWidget;
class QFrame;

// A date field with a drop-down calendar. It shows and reads the store's date form; an empty
// field holds no date, and the user may clear it (delete the text, or "クリア" on the calendar).
class DateEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit DateEdit(QWidget* parent = nullptr);
    ~DateEdit() override;

    // The date the text reads as; none for an empty text or one that is not a date.
    std::optional<QDate> enteredDate() const;
    // As Date, and a text that is not a date is marked as wrong until it is mended.
    std::optional<QDate> checkedDate();
    bool showsInvalid() const { return m_showsInvalid; }
    // Shows the date; none (or an invalid date) empties the field.
    void setDate(std::optional<QDate> date);

    void showCalendar();
    QFrame* calendarPopup() const { return m_popup; }
    QCalendarWidget* calendar() const { return m_calendar; }
    QAction* dropDownAction() const { return m_dropDown; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildPopup();
    void takeCalendarDate(const QDate& date);
    void takeTypedText();
    void showInvalid(bool invalid);

    QAction* m_dropDown = nullptr;
    QFrame* m_popup = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    bool m_showsInvalid = false;
};
