#include "platform/Platform.h"

#include <QWidget>

#include <windows.h>
#include <imm.h>

namespace {

HWND windowOf(QWidget* editor)
{
    return reinterpret_cast<HWND>(editor->window()->winId());
}

} // namespace

void requestHiraganaInput(QWidget* editor)
{
    const HWND window = windowOf(editor);
    const HIMC context = ImmGetContext(window);
    if (!context)
        return;
    DWORD conversion = 0;
    DWORD sentence = IME_SMODE_NONE;
    ImmGetConversionStatus(context, &conversion, &sentence);
    ImmSetOpenStatus(context, TRUE);
    ImmSetConversionStatus(context, IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE, sentence);
    ImmReleaseContext(window, context);
}

void switchInputMethodOff(QWidget* editor)
{
    const HWND window = windowOf(editor);
    const HIMC context = ImmGetContext(window);
    if (!context)
        return;
    ImmSetOpenStatus(context, FALSE);
    ImmReleaseContext(window, context);
}
