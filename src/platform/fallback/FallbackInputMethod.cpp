#include "platform/Platform.h"

#include <QWidget>

// Qt has no portable hiragana mode: the input method is switched on and keeps its own state.
void requestHiraganaInput(QWidget* editor)
{
    editor->setAttribute(Qt::WA_InputMethodEnabled, true);
}

void switchInputMethodOff(QWidget* editor)
{
    editor->setAttribute(Qt::WA_InputMethodEnabled, false);
}
