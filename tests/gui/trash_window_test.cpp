#include "TestSupport.h"

#include "TrashWindow.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

TEST(TrashWindow, BuiltHiddenWithItsMarkAndAMenuThatNothingOpens)
{
    QWidget owner;
    auto* trash = new TrashWindow(&owner);
    EXPECT_TRUE(trash->isWindow());
    EXPECT_FALSE(trash->isVisible());
    EXPECT_EQ(trash->size(), QSize(140, 75));
    auto* mark = trash->findChild<QLabel*>(QStringLiteral("markPanel"));
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->text(), QStringLiteral("ZU"));
    EXPECT_EQ(mark->geometry(), QRect(8, 8, 124, 59));

    auto* menu = trash->findChild<QMenu*>(QStringLiteral("menu"));
    auto* hide = trash->findChild<QAction*>(QStringLiteral("hideAction"));
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(hide, nullptr);
    EXPECT_EQ(menu->actions(), QList<QAction*>{hide});
    EXPECT_EQ(hide->text(), QStringLiteral("非表示(&H)"));
    EXPECT_EQ(hide->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    // Attached to neither the window nor the panel, so its shortcut never acts.
    EXPECT_TRUE(trash->actions().isEmpty());
    EXPECT_TRUE(mark->actions().isEmpty());
    EXPECT_EQ(trash->contextMenuPolicy(), Qt::DefaultContextMenu);
}
