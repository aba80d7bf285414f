#include "platform/System.h"

#include <QWidget>

// Qt has no portable hiragana mode: the input method is switched on and keeps its own state.
void RequestHiraganaInput(QWidget* editor)
{
    editor->setAttribute(Qt::WA_InputMethodEnabled, true);
}

void SwitchInputMethodOff(QWidget* editor)
{
    editor->setAttribute(Qt::WA_InputMethodEnabled, false);
}
