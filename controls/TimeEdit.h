#pragma once

#include <QTimeEdit>

// A time-of-day field with spin buttons, in the store's time form.
class TTimeEdit : public QTimeEdit {
    Q_OBJECT

public:
    explicit TTimeEdit(QWidget* parent = nullptr);
};
