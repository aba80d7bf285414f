// The palette: shown at a screen's corners, and the swatches a note is drawn out of.
#include "gui/Palette.h"
#include "gui/Swatch.h"
#include "gui/Tray.h"

#include "TestSupport.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSystemTrayIcon>

namespace {

// The program on a scratch store, its tick stopped, so that each test moves the cursor and ticks
// by hand.
using PaletteTest = WindowFixture;

} // namespace

TEST_F(PaletteTest, CornerShowsAndLeavingHidesAtTheNextTick)
{
    start();
    desktop.cursor = QPoint(0, 767);
    app->tick();
    EXPECT_TRUE(app->palette().isVisible());
    EXPECT_EQ(app->palette().pos(), QPoint(0, 665));
    desktop.cursor = QPoint(50, 700);
    app->tick();
    EXPECT_TRUE(app->palette().isVisible());
    desktop.cursor = QPoint(50, 664);
    app->tick();
    EXPECT_FALSE(app->palette().isVisible());
}

TEST_F(PaletteTest, TheCornersFollowAScreenThatChangesWhileRunning)
{
    start();
    desktop.screen = QSize(800, 600);
    desktop.cursor = QPoint(799, 599);
    app->tick();
    EXPECT_TRUE(app->palette().isVisible());
    EXPECT_EQ(app->palette().geometry(), QRect(530, 497, 269, 79));
    // The corner zone is the new screen's: on the old one this point was outside every zone.
    desktop.cursor = QPoint(600, 560);
    app->tick();
    EXPECT_TRUE(app->palette().isVisible());
    desktop.cursor = QPoint(400, 300);
    app->tick();
    EXPECT_FALSE(app->palette().isVisible());
}

TEST_F(PaletteTest, DragOutMakesOneNoteAtTheCursorPerArming)
{
    start();
    app->showPalette();
    Swatch* swatch = app->palette().swatch(3);
    desktop.cursor = QPoint(500, 300);
    QTest::mousePress(swatch, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(app->palette().dragArmed(), 1);
    QTest::mouseMove(swatch, QPoint(60, 20));
    ASSERT_EQ(app->notes().notes().size(), 1);
    NoteWindow* note = app->notes().notes().first();
    EXPECT_EQ(note->geometry(), QRect(500, 300, 271, 71));
    EXPECT_EQ(note->color(), 65408u);
    EXPECT_EQ(note->noteDate(), desktop.today());
    EXPECT_EQ(note->dateLabel()->text(), QStringLiteral("2026/12/08"));
    EXPECT_EQ(note->noteId(), 1);
    EXPECT_TRUE(note->isVisible());
    EXPECT_FALSE(app->palette().isVisible());
    EXPECT_EQ(column(Statements::noteList, "f_day"), QStringList{formatStoreDate(desktop.today())});
    // Leaving again without a new press makes nothing more.
    QTest::mouseMove(swatch, QPoint(20, 20));
    QTest::mouseMove(swatch, QPoint(60, 20));
    QTest::mouseRelease(swatch, Qt::LeftButton, {}, QPoint(60, 20));
    app->palette().leaveSwatch();
    EXPECT_EQ(app->notes().notes().size(), 1);
    // Drawn out of the bottom-right palette, the note lies wholly on the screen.
    desktop.cursor = QPoint(1003, 703);
    app->palette().armDragOut(swatch, Qt::LeftButton);
    app->palette().leaveSwatch();
    ASSERT_EQ(app->notes().notes().size(), 2);
    EXPECT_EQ(app->notes().notes().last()->geometry(), QRect(753, 697, 271, 71));
}

TEST_F(PaletteTest, ClickReleasedInsideArmsUntilTheCursorLeaves)
{
    start();
    app->showPalette();
    Swatch* swatch = app->palette().swatch(1);
    QTest::mouseClick(swatch, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(app->palette().selectedColor(), 16744703u);
    EXPECT_TRUE(app->notes().notes().isEmpty());
    desktop.cursor = QPoint(40, 90);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(swatch, &leave);
    ASSERT_EQ(app->notes().notes().size(), 1);
    EXPECT_EQ(app->notes().notes().first()->pos(), QPoint(40, 90));
    EXPECT_EQ(app->notes().notes().first()->color(), 16744703u);
}

TEST_F(PaletteTest, RightButtonAndDoubleClickSwatchesArmNothing)
{
    start();
    app->showPalette();
    QTest::mousePress(app->palette().swatch(2), Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseMove(app->palette().swatch(2), QPoint(60, 20));
    QTest::mouseRelease(app->palette().swatch(2), Qt::RightButton, {}, QPoint(60, 20));
    EXPECT_EQ(app->palette().dragArmed(), 0);
    EXPECT_TRUE(app->notes().notes().isEmpty());
    // Swatches 3 to 5 take their colour on a double-click only.
    app->palette().takeSwatchColor(app->palette().swatch(5));
    EXPECT_EQ(app->palette().selectedColor(), 12632256u);
}

TEST_F(PaletteTest, NoteMadeWhileTheStoreRefusesGetsItsRowOnceItTakesOne)
{
    start();
    app->tick();
    QSignalSpy notified(&app->tray(), &Tray::notified);
    auto other = std::make_unique<LockHolder>(dbPath(), "BEGIN EXCLUSIVE");
    app->showPalette();
    app->palette().armDragOut(app->palette().swatch(4), Qt::LeftButton);
    app->palette().leaveSwatch();
    ASSERT_EQ(app->notes().notes().size(), 1);
    NoteWindow* note = app->notes().notes().first();
    EXPECT_EQ(note->noteId(), 0);
    EXPECT_EQ(note->saveState(), SaveState::Failed);
    EXPECT_FALSE(app->palette().isVisible());
    note->setText(QStringLiteral("typed while the store was locked"));

    // Told once, without a modal box; the tray says so until the note is stored.
    for (int i = 0; i < 2 * Application::RetryTicks; ++i)
        app->tick();
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(notified.first().first().toString().contains(QStringLiteral("database is locked")));
    EXPECT_NE(app->tray().icon()->toolTip(), QStringLiteral("RIdozad"));
    EXPECT_TRUE(reports.isEmpty());

    other.reset();
    for (int i = 0; i < Application::RetryTicks; ++i)
        app->tick();
    EXPECT_EQ(note->saveState(), SaveState::Stored);
    EXPECT_NE(note->noteId(), 0);
    EXPECT_EQ(column(Statements::noteById(note->noteId()), "note"),
              QStringList{QStringLiteral("typed while the store was locked\r\n")});
    EXPECT_EQ(notified.count(), 2);
    EXPECT_EQ(app->tray().icon()->toolTip(), QStringLiteral("RIdozad"));
}
