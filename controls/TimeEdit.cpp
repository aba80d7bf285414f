#include "controls/TimeEdit.h"

#include "platform/StoreText.h"

TTimeEdit::TTimeEdit(QWidget* parent) : QTimeEdit(parent)
{
    setDisplayFormat(QLatin1String(StoreTimeFormat));
    // A time of day goes round: a step up from 23 is 0.
    setWrapping(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}
