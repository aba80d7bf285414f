#include "TestSupport.h"

#include "NoteEditor.h"
#include "NoteWindow.h"
#include "Backup.h"
#include "ColorValue.h"
#include "BalloonPopup.h"
#include "HotCorners.h"
#include "SingleInstance.h"
#include "Swatch.h"
#include "Palette.h"

#include <QMessageBox>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

namespace {

// Hands every event the application delivers to a callback, for as long as it lives.
class EventRecorder : public QObject {
public:
    explicit EventRecorder(std::function<void(QObject*, QEvent*)> record) : m_record(std::move(record))
    {
        qApp->installEventFilter(this);
    }
    ~EventRecorder() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        m_record(watched, event);
        return false;
    }

private:
    std::function<void(QObject*, QEvent*)> m_record;
};

// A palette on a temporary store, with the timer stopped so that each test ticks by hand,
// and the template note window the saves read their transparency from.
class PaletteTest : public WindowFixture {
protected:
    void start()
    {
        main = std::make_unique<Palette>(desktop, store);
        main->tickTimer()->stop();
        frmMain = main.get();
        templateNote = std::make_unique<NoteWindow>(desktop, store, nullptr);
        frmDaviv = templateNote.get();
    }
    ~PaletteTest() override
    {
        main.reset();
        templateNote.reset();
        frmDaviv = nullptr;
    }

    // Logs every update of a note row, so tests see which saves ran and in what order.
    void logUpdates()
    {
        exec("create table save_log (id INT)");
        exec("create trigger log_save after update on m_daviv begin insert into save_log values (new.rowid); end");
    }
    QStringList saveLog() { return column("select id from save_log order by rowid", "id"); }

    void addRow(const QByteArray& values)
    {
        exec("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) values (" +
             values + ")");
    }

    QList<NoteWindow*> ownedNotes() const { return main->findChildren<NoteWindow*>(Qt::FindDirectChildrenOnly); }

    std::unique_ptr<Palette> main;
    std::unique_ptr<NoteWindow> templateNote;
};

} // namespace

TEST_F(PaletteTest, FirstStartCreatesTheStoreAndShowsNothing)
{
    start();
    EXPECT_TRUE(QFile::exists(dbPath()));
    EXPECT_EQ(query("select name from sqlite_master where type = 'table'")->rowCount(), 2u);
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(main->screenWidth, 1024);
    EXPECT_EQ(main->screenHeight, 768);
    desktop.cursor = QPoint(500, 400);
    main->tick();
    EXPECT_FALSE(main->restorePending);
    EXPECT_TRUE(main->noteWindows.isEmpty());
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(reports.isEmpty());
    // Only the tray icon shows: without a tray to point at, the popup says how to make a note,
    // on the first start and never again.
    for (int run = 0; run < 2; ++run) {
        for (int tick = 0; tick < Palette::RetryTicks; ++tick)
            main->tick();
        EXPECT_EQ(main->balloonPopup()->isVisible(), run == 0);
        EXPECT_EQ(main->balloonPopup()->text().contains(QStringLiteral("新しい付箋")), run == 0);
        start();
    }
}

TEST_F(PaletteTest, TheCornersFollowAScreenThatChangesWhileRunning)
{
    start();
    desktop.screen = QSize(800, 600);
    desktop.cursor = QPoint(799, 599);
    main->tick();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->geometry(), QRect(530, 497, 269, 79));
    EXPECT_EQ(main->screenWidth, 800);
    // The corner zone is the new screen's: on the old one this point was outside every zone.
    desktop.cursor = QPoint(600, 560);
    main->tick();
    EXPECT_TRUE(main->isVisible());
    desktop.cursor = QPoint(400, 300);
    main->tick();
    EXPECT_FALSE(main->isVisible());
}

TEST_F(PaletteTest, RestoreShowsEveryReadableOpenRowAsStored)
{
    prepare();
    addRow(
        "'2011/08/26', 'first''s line' || char(13,10) || 'second' || char(13,10), 10, 20, 300, 90, -1, -1, 65408, 125");
    addRow("'2011/08/27', 'ended', 30, 40, 271, 71, 0, -1, 65535, 200");
    addRow("'2011/08/28', 'hidden', 50, 60, 280, 80, -1, 0, 16744703, 200");
    addRow("'2011/08/29', 'bad', 70, 80, '', 71, -1, -1, 65535, 200");
    const QStringList before = column("select quote(f_day) || quote(note) || quote(width) as r from m_daviv", "r");
    start();
    main->tick();
    ASSERT_EQ(main->noteWindows.size(), 2);
    NoteWindow* first = main->noteWindows[0];
    EXPECT_EQ(first->noteId(), 1);
    EXPECT_EQ(first->geometry(), QRect(10, 20, 300, 90));
    EXPECT_EQ(first->color(), 65408u);
    EXPECT_EQ(first->alpha(), 125);
    EXPECT_EQ(first->noteDate(), QDate(2011, 8, 26));
    EXPECT_EQ(first->text(), QStringLiteral("first's line\r\nsecond\r\n"));
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->isOpen());
    NoteWindow* hidden = main->noteWindows[1];
    EXPECT_EQ(hidden->noteId(), 3);
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_FALSE(hidden->visibleFlag());
    EXPECT_EQ(ownedNotes().size(), 2);
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(column("select quote(f_day) || quote(note) || quote(width) as r from m_daviv", "r"), before);
}

// The later notes lie over the earlier ones, as they always have: the windows are shown in
// the order of their rows, each already carrying its row's text and place.
TEST_F(PaletteTest, RestoreShowsTheNotesInRowOrderWithTheirContent)
{
    prepare();
    for (int i = 0; i < 5; ++i)
        addRow("'2011/08/26', 'note " + QByteArray::number(i) + "', " + QByteArray::number(10 + i) +
               ", 20, 271, 71, -1, -1, 65535, 200");
    start();
    QStringList shown;
    EventRecorder recorder([&](QObject* watched, QEvent* event) {
        if (auto* note = qobject_cast<NoteWindow*>(watched); note && event->type() == QEvent::Show)
            shown << QStringLiteral("%1 %2 %3").arg(note->noteId()).arg(note->text().trimmed()).arg(note->x());
    });
    main->tick();
    EXPECT_EQ(shown,
              QStringList({QStringLiteral("1 note 0 10"), QStringLiteral("2 note 1 11"), QStringLiteral("3 note 2 12"),
                           QStringLiteral("4 note 3 13"), QStringLiteral("5 note 4 14")}));
}

TEST_F(PaletteTest, CloseBeforeTheFirstTickSavesNothing)
{
    prepare();
    addRow("'2011/08/26', 'kept', 10, 20, 300, 90, -1, -1, 65408, 125");
    logUpdates();
    start();
    QSignalSpy closed(main.get(), &Palette::Closed);
    EXPECT_TRUE(main->close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(saveLog().isEmpty());
    EXPECT_EQ(column(Statements::openNotes, "alpha"), QStringList{QStringLiteral("125")});
}

TEST_F(PaletteTest, CloseSavesEachWindowOnceInCreationOrderThenDestroysIt)
{
    prepare();
    for (int i = 0; i < 3; ++i)
        addRow("'2011/08/26', 'n', 10, 20, 300, 90, -1, -1, 65408, 200");
    logUpdates();
    start();
    main->tick();
    ASSERT_EQ(main->noteWindows.size(), 3);
    main->noteWindows[1]->hideNote();
    main->close();
    EXPECT_EQ(saveLog(), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_TRUE(main->noteWindows.isEmpty());
    EXPECT_TRUE(ownedNotes().isEmpty());
    // The hidden note stays open and comes back at the next start.
    EXPECT_EQ(column(Statements::openNotes, "rowid").size(), 3);
}

TEST_F(PaletteTest, DragOutMakesOneNoteAtTheCursorPerArming)
{
    start();
    main->showPalette();
    Swatch* swatch = main->swatch(3);
    desktop.cursor = QPoint(500, 300);
    QTest::mousePress(swatch, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(main->dragArmed, 1);
    QTest::mouseMove(swatch, QPoint(60, 20));
    ASSERT_EQ(main->noteWindows.size(), 1);
    NoteWindow* note = main->noteWindows.first();
    EXPECT_EQ(note->geometry(), QRect(500, 300, 271, 71));
    EXPECT_EQ(note->color(), 65408u);
    EXPECT_EQ(note->noteDate(), desktop.today());
    EXPECT_EQ(note->noteId(), 1);
    EXPECT_TRUE(note->isVisible());
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(column(Statements::noteList, "f_day"), QStringList{formatStoreDate(desktop.today())});
    // Leaving again without a new press makes nothing more.
    QTest::mouseMove(swatch, QPoint(20, 20));
    QTest::mouseMove(swatch, QPoint(60, 20));
    QTest::mouseRelease(swatch, Qt::LeftButton, {}, QPoint(60, 20));
    main->dragOut(swatch);
    EXPECT_EQ(main->noteWindows.size(), 1);
    // Drawn out of the bottom-right palette, the note lies wholly on the screen.
    desktop.cursor = QPoint(1003, 703);
    main->armDragOut(swatch, Qt::LeftButton);
    main->dragOut(swatch);
    ASSERT_EQ(main->noteWindows.size(), 2);
    EXPECT_EQ(main->noteWindows.last()->geometry(), QRect(753, 697, 271, 71));
}

TEST_F(PaletteTest, ClickReleasedInsideArmsUntilTheCursorLeaves)
{
    start();
    main->showPalette();
    Swatch* swatch = main->swatch(1);
    QTest::mouseClick(swatch, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(main->selectedColor, 16744703u);
    EXPECT_TRUE(main->noteWindows.isEmpty());
    desktop.cursor = QPoint(40, 90);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(swatch, &leave);
    ASSERT_EQ(main->noteWindows.size(), 1);
    EXPECT_EQ(main->noteWindows.first()->pos(), QPoint(40, 90));
    EXPECT_EQ(main->noteWindows.first()->color(), 16744703u);
}

TEST_F(PaletteTest, RightButtonAndDoubleClickSwatchesArmNothing)
{
    start();
    main->showPalette();
    QTest::mousePress(main->swatch(2), Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseMove(main->swatch(2), QPoint(60, 20));
    QTest::mouseRelease(main->swatch(2), Qt::RightButton, {}, QPoint(60, 20));
    EXPECT_EQ(main->dragArmed, 0);
    EXPECT_TRUE(main->noteWindows.isEmpty());
    // Swatches 3 to 5 take their colour on a double-click only.
    main->selectedColor = 0;
    main->takeSwatchColor(main->swatch(5));
    EXPECT_EQ(main->selectedColor, 12632256u);
}

TEST_F(PaletteTest, NoteMadeWhileTheStoreRefusesGetsItsRowOnceItTakesOne)
{
    start();
    main->tick();
    QSignalSpy notified(main.get(), &Palette::notified);
    auto other = std::make_unique<LockHolder>(dbPath(), "BEGIN EXCLUSIVE");
    main->showPalette();
    main->armDragOut(main->swatch(4), Qt::LeftButton);
    main->dragOut(main->swatch(4));
    ASSERT_EQ(main->noteWindows.size(), 1);
    NoteWindow* note = main->noteWindows.first();
    EXPECT_EQ(note->noteId(), 0);
    EXPECT_EQ(note->saveState(), SaveState::Failed);
    EXPECT_FALSE(main->isVisible());
    note->setText(QStringLiteral("typed while the store was locked"));

    // Told once, without a modal box; the tray says so until the note is stored.
    for (int i = 0; i < 2 * Palette::RetryTicks; ++i)
        main->tick();
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(notified.first().first().toString().contains(QStringLiteral("database is locked")));
    EXPECT_NE(main->trayIcon()->toolTip(), QStringLiteral("RIdozad"));
    EXPECT_TRUE(reports.isEmpty());

    other.reset();
    for (int i = 0; i < Palette::RetryTicks; ++i)
        main->tick();
    EXPECT_EQ(note->saveState(), SaveState::Stored);
    EXPECT_NE(note->noteId(), 0);
    EXPECT_EQ(column(Statements::noteById(note->noteId()), "note"),
              QStringList{QStringLiteral("typed while the store was locked\r\n")});
    EXPECT_EQ(notified.count(), 2);
    EXPECT_EQ(main->trayIcon()->toolTip(), QStringLiteral("RIdozad"));
}

TEST_F(PaletteTest, CornerShowsAndLeavingHidesAtTheNextTick)
{
    start();
    desktop.cursor = QPoint(0, 767);
    main->tick();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->pos(), QPoint(0, 665));
    desktop.cursor = QPoint(50, 700);
    main->tick();
    EXPECT_TRUE(main->isVisible());
    desktop.cursor = QPoint(50, 664);
    main->tick();
    EXPECT_FALSE(main->isVisible());
}

TEST_F(PaletteTest, StoreThatCannotBeReadAtStartIsReportedOnceAndTriedAgain)
{
    prepare();
    addRow("'2011/08/26', 'waiting', 10, 20, 271, 71, -1, -1, 65408, 200");
    const QString moved = dir.filePath(QStringLiteral("elsewhere.db"));
    QFile::rename(dbPath(), moved);
    QDir(dir.path()).mkdir(QString::fromLatin1(StoreFileName));
    start();
    QSignalSpy notified(main.get(), &Palette::notified);
    for (int i = 0; i < 3 * Palette::RetryTicks; ++i)
        main->tick();
    EXPECT_TRUE(main->restorePending);
    EXPECT_TRUE(reports.isEmpty());
    ASSERT_EQ(notified.count(), 1);
    EXPECT_TRUE(notified.first().first().toString().contains(QDir::toNativeSeparators(dbPath())));

    QDir(dir.path()).rmdir(QString::fromLatin1(StoreFileName));
    QFile::rename(moved, dbPath());
    for (int i = 0; i < Palette::RetryTicks; ++i)
        main->tick();
    EXPECT_FALSE(main->restorePending);
    ASSERT_EQ(main->noteWindows.size(), 1);
    EXPECT_EQ(main->noteWindows.first()->text(), QStringLiteral("waiting\r\n"));
}

TEST_F(PaletteTest, ASecondCopyAsksTheFirstToShowItself)
{
    SingleInstance first(dbPath());
    ASSERT_TRUE(first.claim());
    QSignalSpy shown(&first, &SingleInstance::ShowRequested);
    std::atomic<bool> done = false;
    bool secondClaimed = true;
    bool secondAnswered = false;
    // The second copy blocks on its request, so it runs beside this thread's event loop.
    std::thread second([&] {
        SingleInstance copy(dbPath());
        secondClaimed = copy.claim();
        secondAnswered = copy.answered();
        done = true;
    });
    EXPECT_EVENTUALLY(done);
    second.join();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(secondClaimed);
    EXPECT_TRUE(secondAnswered);
    SingleInstance elsewhere(dir.filePath(QStringLiteral("other.db")));
    EXPECT_TRUE(elsewhere.claim());

    // The lock lies beside the store, so a copy with another temporary folder meets it too.
    QTemporaryDir otherTemp;
    const QByteArray temp = qgetenv("TMPDIR");
    qputenv("TMPDIR", otherTemp.path().toUtf8());
    SingleInstance otherUser(QDir(dir.path()).filePath(QStringLiteral("./zu_daviv.db")));
    EXPECT_FALSE(otherUser.claim());
    temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
}

TEST_F(PaletteTest, ExitSaveWaitsForALockHeldBrieflyElsewhere)
{
    prepare();
    addRow("'2011/08/26', 'old', 10, 20, 300, 90, -1, -1, 65408, 200");
    start();
    main->tick();
    ASSERT_EQ(main->noteWindows.size(), 1);
    main->noteWindows.first()->setText(QStringLiteral("last words"));
    std::atomic<bool> locked = false;
    std::thread other([&] {
        LockHolder lock(dbPath(), "BEGIN EXCLUSIVE");
        locked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    while (!locked)
        std::this_thread::yield();
    main->close();
    other.join();
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(column(Statements::noteList, "note"), QStringList{QStringLiteral("last words\r\n")});
}

TEST_F(PaletteTest, ExitSaveNamesTheNotesItCouldNotSaveAndStillEnds)
{
    prepare();
    addRow("'2011/08/26', 'old', 10, 20, 300, 90, -1, -1, 65408, 200");
    addRow("'2011/08/26', '', 10, 20, 300, 90, -1, -1, 65408, 200");
    start();
    main->exitLockWaitMs = 100;
    main->tick();
    main->noteWindows.first()->setText(QStringLiteral("買い物\nmilk"));
    LockHolder other(dbPath(), "BEGIN EXCLUSIVE");
    QSignalSpy closed(main.get(), &Palette::Closed);
    main->close();
    other.release();
    EXPECT_EQ(closed.count(), 1);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().contains(QStringLiteral("買い物"))) << qPrintable(reports.first());
    EXPECT_TRUE(reports.first().contains(QStringLiteral("(空の付箋)")));
    EXPECT_EQ(column(Statements::noteList, "note"), (QStringList{QStringLiteral("old"), QString()}));
}

// --- The application's error report ---

TEST(ErrorReport, FullStopIsAppendedUnlessTheTextEndsAtOrBeforeIt)
{
    EXPECT_EQ(errorReportText(QStringLiteral("Table is at End of File")), QStringLiteral("Table is at End of File."));
    EXPECT_EQ(errorReportText(QStringLiteral("done.")), QStringLiteral("done."));
    EXPECT_EQ(errorReportText(QStringLiteral("what!")), QStringLiteral("what!"));
    EXPECT_EQ(errorReportText(QStringLiteral("a: ")), QStringLiteral("a: "));
    EXPECT_EQ(errorReportText(QStringLiteral("保存できません")), QStringLiteral("保存できません."));
    EXPECT_EQ(errorReportText(QString()), QString());
}

TEST(ErrorReport, ErrorsLeavingAnEventHandlerAreReportedNotPropagated)
{
    QStringList reports;
    setErrorReporter([&](const QString& text) { reports << text; });
    QObject target;
    QTimer::singleShot(0, &target, [] { throw ConversionError(QStringLiteral("'x' is not a valid date")); });
    ASSERT_EVENTUALLY(reports.size() == 1);
    EXPECT_EQ(reports.first(), QStringLiteral("'x' is not a valid date."));
    setErrorReporter({});
}

// --- Beyond the palette's commands ---

TEST_F(PaletteTest, TrayMakesANoteOfTheLastColourInTheMiddleOfTheScreen)
{
    start();
    main->tick();
    main->newNoteFromTray();
    ASSERT_EQ(main->noteWindows.size(), 1);
    EXPECT_EQ(main->noteWindows.first()->geometry(), QRect(376, 348, 271, 71));
    EXPECT_EQ(main->noteWindows.first()->color(), 65535u);
    main->takeSwatchColor(main->swatch(2));
    main->newNoteFromTray();
    ASSERT_EQ(main->noteWindows.size(), 2);
    EXPECT_EQ(main->noteWindows.last()->color(), main->swatch(2)->colorValue());
    // The next one comes down and to the right of the first, not over it.
    EXPECT_EQ(main->noteWindows.last()->geometry(), QRect(400, 372, 271, 71));
    EXPECT_EQ(column(Statements::noteList, "rowid"), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
}

TEST_F(PaletteTest, NotesComeBackWithTheirTextSizeAndStayingOnTop)
{
    prepare();
    addRow("'2011/08/26', 'big', 10, 20, 300, 90, -1, -1, 65408, 200");
    addRow("'2011/08/26', 'plain', 10, 200, 300, 90, -1, -1, 65408, 200");
    ASSERT_TRUE(store.saveNoteLook(1, {150, true}));
    start();
    main->tick();
    ASSERT_EQ(main->noteWindows.size(), 2);
    NoteWindow* big = main->noteWindows[0];
    EXPECT_EQ(big->look(), (NoteLook{150, true}));
    EXPECT_TRUE(big->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_DOUBLE_EQ(big->editor()->font().pointSizeF(), big->font().pointSizeF() * 1.5);
    EXPECT_EQ(main->noteWindows[1]->look(), NoteLook{});
}

TEST_F(PaletteTest, AfterAMinuteAtRestTheDaysBackupIsMadeAndOldOnesThinnedOut)
{
    prepare();
    addRow("'2011/08/26', 'kept safe', 10, 20, 300, 90, -1, -1, 65408, 200");
    const QDir backups(dir.filePath(QStringLiteral("backup")));
    backups.mkpath(QStringLiteral("."));
    for (int i = 1; i <= 30; ++i)
        QFile(backups.filePath(backupFileName(desktop.today().addDays(-i)))).open(QIODevice::WriteOnly);
    start();
    main->tick();
    const QString today = backups.filePath(backupFileName(desktop.today()));
    desktop.clock = desktop.clock.addSecs(59);
    main->tick();
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(today));
    // A moved cursor starts the minute again.
    desktop.cursor += QPoint(1, 0);
    desktop.clock = desktop.clock.addSecs(61);
    main->tick();
    EXPECT_FALSE(QFile::exists(today));
    desktop.clock = desktop.clock.addSecs(61);
    main->tick();
    ASSERT_EVENTUALLY(QFile::exists(today));
    EXPECT_EQ(connectTo(today).runQuery("select note from m_daviv")->valueText("note"), "kept safe");
    EXPECT_EQ(backups.entryList({QStringLiteral("*.db")}, QDir::Files).size(), 11);
}

TEST_F(PaletteTest, GoingBackToABackupShowsItsOpenNotesAndKeepsWhatWasOnTheDesktop)
{
    prepare();
    addRow("'2011/08/26', 'open in the backup', 10, 20, 300, 90, -1, -1, 65408, 200");
    addRow("'2011/08/26', 'ended in the backup', 10, 200, 300, 90, 0, -1, 65408, 200");
    const QString backup = dir.filePath(QStringLiteral("backup/") + backupFileName(desktop.today().addDays(-1)));
    ASSERT_TRUE(backUp(dbPath(), backup));
    exec("update m_daviv set term = 0 where rowid = 1");
    addRow("'2011/08/26', 'open since', 10, 400, 300, 90, -1, -1, 65408, 200");
    exec("insert into m_icom_message values ('9:00:00', 'since', '2026/12/09')");
    start();
    main->tick();
    ASSERT_EQ(main->noteWindows.size(), 1);
    NoteWindow* since = main->noteWindows.first();
    since->setText(QStringLiteral("typed since"));

    ASSERT_TRUE(main->restoreBackup(backup));
    ASSERT_EQ(main->noteWindows.size(), 1);
    EXPECT_EQ(main->noteWindows.first()->text(), QStringLiteral("open in the backup\r\n"));
    EXPECT_TRUE(main->noteWindows.first()->isVisible());
    EXPECT_TRUE(main->reminders().entries().empty());
    EXPECT_EVENTUALLY(ownedNotes().size() == 1);
    const QString kept = dir.filePath(QStringLiteral("backup/") + keptStoreFileName(desktop.now()));
    EXPECT_EQ(connectTo(kept).runQuery("select note from m_daviv where rowid = 3")->valueText("note"),
              "typed since\r\n");
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
}

TEST_F(PaletteTest, AScreenMadeSmallerBringsItsNotesWithinReachAndKeepsTheirPlaces)
{
    prepare();
    addRow("'2011/08/26', 'right', 700, 550, 271, 71, -1, -1, 65408, 200");
    addRow("'2011/08/26', 'left', 100, 100, 271, 71, -1, -1, 65408, 200");
    start();
    main->tick();
    desktop.areas = {QRect(0, 0, 800, 576)};
    main->keepNotesReachable();
    EXPECT_EQ(main->noteWindows[0]->geometry(), QRect(529, 505, 271, 71));
    EXPECT_EQ(main->noteWindows[1]->geometry(), QRect(100, 100, 271, 71));
    // Saved while it shows elsewhere, the note keeps the place the user gave it.
    main->saveAllNotesNow();
    const QStringList stored = {QStringLiteral("700,550"), QStringLiteral("100,100")};
    EXPECT_EQ(column("select xpos || ',' || ypos as p from m_daviv order by rowid", "p"), stored);
    desktop.areas.clear();
    main->keepNotesReachable();
    EXPECT_EQ(main->noteWindows[0]->geometry(), QRect(700, 550, 271, 71));
    main->close();
    EXPECT_EQ(column("select xpos || ',' || ypos as p from m_daviv order by rowid", "p"), stored);
}

TEST_F(PaletteTest, BackupFolderWithoutAFileManagerIsNamedForTheUser)
{
    start();
    desktop.folderOpens = false;
    main->openBackupFolder();
    const auto* box = main->findChild<QMessageBox*>(QStringLiteral("BackupFolderBox"));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->text().endsWith(QDir::toNativeSeparators(dir.filePath(QStringLiteral("backup")))));
    EXPECT_EQ(desktop.openedFolders.size(), 1);
}
