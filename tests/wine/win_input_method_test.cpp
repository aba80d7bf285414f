// The input method calls on a real window: needs the windows platform plugin and a display
// (the wine check runs it on Xvfb).
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <windows.h>
#include <imm.h>

namespace {

struct InputMethodState {
    bool open = false;
    DWORD conversion = 0;
};

std::optional<InputMethodState> stateOf(QWidget* editor)
{
    const HWND window = reinterpret_cast<HWND>(editor->window()->winId());
    const HIMC context = ImmGetContext(window);
    if (!context)
        return std::nullopt;
    InputMethodState state;
    DWORD sentence = 0;
    state.open = ImmGetOpenStatus(context);
    ImmGetConversionStatus(context, &state.conversion, &sentence);
    ImmReleaseContext(window, context);
    return state;
}

TEST(WinInputMethod, HiraganaOpensNativeFullWidthInputAndOffClosesIt)
{
    QWidget window;
    auto* editor = new QLineEdit(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    editor->setFocus();

    requestHiraganaInput(editor);
    std::optional<InputMethodState> state = stateOf(editor);
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->open);
    constexpr DWORD hiragana = IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
    EXPECT_EQ(state->conversion & hiragana, hiragana);

    switchInputMethodOff(editor);
    state = stateOf(editor);
    ASSERT_TRUE(state);
    EXPECT_FALSE(state->open);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
