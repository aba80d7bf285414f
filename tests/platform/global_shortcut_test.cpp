#include "platform/GlobalShortcut.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
const QKeyCombination NewNoteKey(Qt::MetaModifier | Qt::AltModifier, Qt::Key_F);
}

#ifdef PLATFORM_TEST_POSIX
// These tests run without a window system: the program must run on without the key.
TEST(GlobalShortcut, WithoutX11ItIsNotRegisteredAndSaysWhy)
{
    const GlobalShortcut shortcut(NewNoteKey);
    EXPECT_FALSE(shortcut.registered());
    EXPECT_TRUE(shortcut.problem().contains(QLatin1String("not X11"))) << shortcut.problem().toStdString();
}
#endif

#ifdef Q_OS_WIN
TEST(GlobalShortcut, ACombinationHeldElsewhereIsRefusedUntilGivenBack)
{
    auto first = std::make_unique<GlobalShortcut>(NewNoteKey);
    ASSERT_TRUE(first->registered()) << first->problem().toStdString();
    const GlobalShortcut second(NewNoteKey);
    EXPECT_EQ(second.problem(), QStringLiteral("another program has taken it"));
    first.reset();
    EXPECT_TRUE(GlobalShortcut(NewNoteKey).registered());
}
#endif
