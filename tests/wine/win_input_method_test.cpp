// The input method calls on a real window: needs the windows platform plugin and a display
// (the wine check runs it on Xvfb).
#include "platform/System.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <windows.h>
#include <imm.h>

namespace {

struct TInputMethodState {
    bool Open = false;
    DWORD Conversion = 0;
};

std::optional<TInputMethodState> StateOf(QWidget* editor)
{
    const HWND window = reinterpret_cast<HWND>(editor->window()->winId());
    const HIMC context = ImmGetContext(window);
    if (!context)
        return std::nullopt;
    TInputMethodState state;
    DWORD sentence = 0;
    state.Open = ImmGetOpenStatus(context);
    ImmGetConversionStatus(context, &state.Conversion, &sentence);
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

    RequestHiraganaInput(editor);
    std::optional<TInputMethodState> state = StateOf(editor);
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->Open);
    constexpr DWORD hiragana = IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
    EXPECT_EQ(state->Conversion & hiragana, hiragana);

    SwitchInputMethodOff(editor);
    state = StateOf(editor);
    ASSERT_TRUE(state);
    EXPECT_FALSE(state->Open);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
