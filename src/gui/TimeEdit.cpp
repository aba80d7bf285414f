#include "gui/TimeEdit.h"

#include "core/StoreText.h"

#include <QKeyEvent>
#include <QLineEdit>

TimeEdit::TimeEdit(QWidget* parent) : QTimeEdit(parent)
{
    setDisplayFormat(QLatin1String(StoreTimeFormat));
    // A time of day goes round: a step up from 23 is 0.
    setWrapping(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

void TimeEdit::keyPressEvent(QKeyEvent* event)
{
    // Qt inserts a digit beside the ones a section holds and refuses the result when the
    // section is full ("912" hours), and a digit over the whole text leaves no valid time.
    const QString typed = event->text();
    // A section that a typed digit filled hands the caret on by itself, with the next section
    // selected; the separator the user types after it must not skip that section too.
    if (typed == QLatin1String(":") && currentSectionIndex() > 0 && lineEdit()->hasSelectedText() &&
        lineEdit()->selectedText() == sectionText(currentSection())) {
        event->accept();
        return;
    }
    if (typed.size() == 1 && typed.front().isDigit()) {
        const QLineEdit* edit = lineEdit();
        const bool wholeText = edit->hasSelectedText() && edit->selectedText() == edit->text();
        if (wholeText)
            setCurrentSectionIndex(0);
        if (wholeText || (!edit->hasSelectedText() && sectionText(currentSection()).size() >= 2))
            setSelectedSection(currentSection());
    }
    QTimeEdit::keyPressEvent(event);
}
