#pragma once

#include <QTimeEdit>

// A time-of-day field with spin buttons, in the store's time form. Typed digits replace a
// section that is already full, as they do in most time fields, instead of being refused.
class TimeEdit : public QTimeEdit {
    Q_OBJECT

public:
    explicit TimeEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
