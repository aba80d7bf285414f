#include "platform/GlobalShortcut.h"

#include <windows.h>

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

namespace {

const wchar_t WindowClass[] = L"ZuFusenGlobalShortcut";

UINT modifierFlags(Qt::KeyboardModifiers modifiers)
{
    // A key held down counts once.
    UINT flags = MOD_NOREPEAT;
    if (modifiers & Qt::ShiftModifier)
        flags |= MOD_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MOD_CONTROL;
    if (modifiers & Qt::AltModifier)
        flags |= MOD_ALT;
    if (modifiers & Qt::MetaModifier)
        flags |= MOD_WIN;
    return flags;
}

// Letters and digits are their own virtual-key codes, as Qt's key codes are.
UINT virtualKey(Qt::Key key)
{
    const bool letter = key >= Qt::Key_A && key <= Qt::Key_Z;
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    return letter || digit ? UINT(key) : 0;
}

QString systemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString message = QString::fromWCharArray(text, int(length)).trimmed();
    LocalFree(text);
    return message.isEmpty() ? QStringLiteral("error %1").arg(error) : message;
}

LRESULT CALLBACK shortcutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY) {
        if (auto* shortcut = reinterpret_cast<GlobalShortcut*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            Q_EMIT shortcut->activated();
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// The hot key belongs to a message-only window of its own rather than to the thread: a message
// to a window reaches it through every message loop, the native ones of moving a window
// included, where a thread's message would be dropped. Windows lets the thread that receives the
// hot key's message take the foreground while it handles it.
struct GlobalShortcut::Grab {
    HWND window = nullptr;
    static constexpr int Id = 1;

    ~Grab()
    {
        UnregisterHotKey(window, Id);
        DestroyWindow(window);
    }
};

GlobalShortcut::GlobalShortcut(QKeyCombination key, QObject* parent) : QObject(parent)
{
    const UINT code = virtualKey(key.key());
    if (code == 0) {
        m_problem = QStringLiteral("only letters and digits can be hot keys here");
        return;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = shortcutWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WindowClass;
    // A second shortcut finds the class there already.
    RegisterClassExW(&windowClass);
    const HWND window = CreateWindowExW(0, WindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!window) {
        m_problem = QStringLiteral("no window for it: %1").arg(systemMessage(GetLastError()));
        return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (!RegisterHotKey(window, Grab::Id, modifierFlags(key.keyboardModifiers()), code)) {
        const DWORD error = GetLastError();
        DestroyWindow(window);
        m_problem = error == ERROR_HOTKEY_ALREADY_REGISTERED
                        ? QStringLiteral("another program has taken it")
                        : QStringLiteral("Windows refused the hot key: %1").arg(systemMessage(error));
        return;
    }
    m_grab = std::make_unique<Grab>();
    m_grab->window = window;
}

GlobalShortcut::~GlobalShortcut() = default;
