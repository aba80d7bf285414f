#include "TestSupport.h"

#include "notes/RichEdit.h"
#include "notes/uFDaviv.h"
#include "store/Backup.h"
#include "controls/ColorValue.h"
#include "shell/BalloonPopup.h"
#include "shell/HotCorners.h"
#include "shell/SingleInstance.h"
#include "shell/Swatch.h"
#include "shell/uFMain.h"

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
class TEventRecorder : public QObject {
public:
    explicit TEventRecorder(std::function<void(QObject*, QEvent*)> record) : FRecord(std::move(record))
    {
        qApp->installEventFilter(this);
    }
    ~TEventRecorder() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        FRecord(watched, event);
        return false;
    }

private:
    std::function<void(QObject*, QEvent*)> FRecord;
};

// A palette on a temporary store, with the timer stopped so that each test ticks by hand,
// and the template note window the saves read their transparency from.
class Palette : public TWindowFixture {
protected:
    void Start()
    {
        Main = std::make_unique<TfrmMain>(Desktop, Store);
        Main->Timer1()->stop();
        frmMain = Main.get();
        Template = std::make_unique<TfrmDaviv>(Desktop, Store, nullptr);
        frmDaviv = Template.get();
    }
    ~Palette() override
    {
        Main.reset();
        Template.reset();
        frmDaviv = nullptr;
    }

    // Logs every update of a note row, so tests see which saves ran and in what order.
    void LogUpdates()
    {
        Exec("create table save_log (id INT)");
        Exec("create trigger log_save after update on m_daviv begin insert into save_log values (new.rowid); end");
    }
    QStringList SaveLog() { return Column("select id from save_log order by rowid", "id"); }

    void AddRow(const QByteArray& values)
    {
        Exec("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) values (" +
             values + ")");
    }

    QList<TfrmDaviv*> OwnedNotes() const { return Main->findChildren<TfrmDaviv*>(Qt::FindDirectChildrenOnly); }

    std::unique_ptr<TfrmMain> Main;
    std::unique_ptr<TfrmDaviv> Template;
};

} // namespace

TEST_F(Palette, FirstStartCreatesTheStoreAndShowsNothing)
{
    Start();
    EXPECT_TRUE(QFile::exists(DbPath()));
    EXPECT_EQ(Query("select name from sqlite_master where type = 'table'")->RowCount(), 2u);
    EXPECT_FALSE(Main->isVisible());
    EXPECT_EQ(Main->ScreenWidth, 1024);
    EXPECT_EQ(Main->ScreenHeight, 768);
    Desktop.Cursor = QPoint(500, 400);
    Main->Timer1Timer();
    EXPECT_FALSE(Main->FirstTick);
    EXPECT_TRUE(Main->NoteWindows.isEmpty());
    EXPECT_FALSE(Main->isVisible());
    EXPECT_TRUE(Reports.isEmpty());
    // Only the tray icon shows: without a tray to point at, the popup says how to make a note,
    // on the first start and never again.
    for (int start = 0; start < 2; ++start) {
        for (int tick = 0; tick < TfrmMain::RetryTicks; ++tick)
            Main->Timer1Timer();
        EXPECT_EQ(Main->BalloonPopup()->isVisible(), start == 0);
        EXPECT_EQ(Main->BalloonPopup()->Text().contains(QStringLiteral("新しい付箋")), start == 0);
        Start();
    }
}

TEST_F(Palette, TheCornersFollowAScreenThatChangesWhileRunning)
{
    Start();
    Desktop.Screen = QSize(800, 600);
    Desktop.Cursor = QPoint(799, 599);
    Main->Timer1Timer();
    EXPECT_TRUE(Main->isVisible());
    EXPECT_EQ(Main->geometry(), QRect(530, 497, 269, 79));
    EXPECT_EQ(Main->ScreenWidth, 800);
    // The corner zone is the new screen's: on the old one this point was outside every zone.
    Desktop.Cursor = QPoint(600, 560);
    Main->Timer1Timer();
    EXPECT_TRUE(Main->isVisible());
    Desktop.Cursor = QPoint(400, 300);
    Main->Timer1Timer();
    EXPECT_FALSE(Main->isVisible());
}

TEST_F(Palette, RestoreShowsEveryReadableOpenRowAsStored)
{
    Prepare();
    AddRow(
        "'2011/08/26', 'first''s line' || char(13,10) || 'second' || char(13,10), 10, 20, 300, 90, -1, -1, 65408, 125");
    AddRow("'2011/08/27', 'ended', 30, 40, 271, 71, 0, -1, 65535, 200");
    AddRow("'2011/08/28', 'hidden', 50, 60, 280, 80, -1, 0, 16744703, 200");
    AddRow("'2011/08/29', 'bad', 70, 80, '', 71, -1, -1, 65535, 200");
    const QStringList before = Column("select quote(f_day) || quote(note) || quote(width) as r from m_daviv", "r");
    Start();
    Main->Timer1Timer();
    ASSERT_EQ(Main->NoteWindows.size(), 2);
    TfrmDaviv* first = Main->NoteWindows[0];
    EXPECT_EQ(first->NoteId(), 1);
    EXPECT_EQ(first->geometry(), QRect(10, 20, 300, 90));
    EXPECT_EQ(first->Color(), 65408u);
    EXPECT_EQ(first->AlphaBlendValue(), 125);
    EXPECT_EQ(first->NoteDate(), QDate(2011, 8, 26));
    EXPECT_EQ(first->MemoText(), QStringLiteral("first's line\r\nsecond\r\n"));
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->TermFlag());
    TfrmDaviv* hidden = Main->NoteWindows[1];
    EXPECT_EQ(hidden->NoteId(), 3);
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_FALSE(hidden->VisibleFlag());
    EXPECT_EQ(OwnedNotes().size(), 2);
    EXPECT_TRUE(Reports.isEmpty());
    EXPECT_EQ(Column("select quote(f_day) || quote(note) || quote(width) as r from m_daviv", "r"), before);
}

// The later notes lie over the earlier ones, as they always have: the windows are shown in
// the order of their rows, each already carrying its row's text and place.
TEST_F(Palette, RestoreShowsTheNotesInRowOrderWithTheirContent)
{
    Prepare();
    for (int i = 0; i < 5; ++i)
        AddRow("'2011/08/26', 'note " + QByteArray::number(i) + "', " + QByteArray::number(10 + i) +
               ", 20, 271, 71, -1, -1, 65535, 200");
    Start();
    QStringList shown;
    TEventRecorder recorder([&](QObject* watched, QEvent* event) {
        if (auto* note = qobject_cast<TfrmDaviv*>(watched); note && event->type() == QEvent::Show)
            shown << QStringLiteral("%1 %2 %3").arg(note->NoteId()).arg(note->MemoText().trimmed()).arg(note->x());
    });
    Main->Timer1Timer();
    EXPECT_EQ(shown,
              QStringList({QStringLiteral("1 note 0 10"), QStringLiteral("2 note 1 11"), QStringLiteral("3 note 2 12"),
                           QStringLiteral("4 note 3 13"), QStringLiteral("5 note 4 14")}));
}

TEST_F(Palette, CloseBeforeTheFirstTickSavesNothing)
{
    Prepare();
    AddRow("'2011/08/26', 'kept', 10, 20, 300, 90, -1, -1, 65408, 125");
    LogUpdates();
    Start();
    QSignalSpy closed(Main.get(), &TfrmMain::Closed);
    EXPECT_TRUE(Main->close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(SaveLog().isEmpty());
    EXPECT_EQ(Column(StmtOpenNotes, "alpha"), QStringList{QStringLiteral("125")});
}

TEST_F(Palette, CloseSavesEachWindowOnceInCreationOrderThenDestroysIt)
{
    Prepare();
    for (int i = 0; i < 3; ++i)
        AddRow("'2011/08/26', 'n', 10, 20, 300, 90, -1, -1, 65408, 200");
    LogUpdates();
    Start();
    Main->Timer1Timer();
    ASSERT_EQ(Main->NoteWindows.size(), 3);
    Main->NoteWindows[1]->btnHideClick();
    Main->close();
    EXPECT_EQ(SaveLog(), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_TRUE(Main->NoteWindows.isEmpty());
    EXPECT_TRUE(OwnedNotes().isEmpty());
    // The hidden note stays open and comes back at the next start.
    EXPECT_EQ(Column(StmtOpenNotes, "rowid").size(), 3);
}

TEST_F(Palette, DragOutMakesOneNoteAtTheCursorPerArming)
{
    Start();
    Main->V1Click();
    TSwatch* swatch = Main->Panel(3);
    Desktop.Cursor = QPoint(500, 300);
    QTest::mousePress(swatch, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(Main->DragArmed, 1);
    QTest::mouseMove(swatch, QPoint(60, 20));
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    TfrmDaviv* note = Main->NoteWindows.first();
    EXPECT_EQ(note->geometry(), QRect(500, 300, 271, 71));
    EXPECT_EQ(note->Color(), 65408u);
    EXPECT_EQ(note->NoteDate(), Desktop.Today());
    EXPECT_EQ(note->NoteId(), 1);
    EXPECT_TRUE(note->isVisible());
    EXPECT_FALSE(Main->isVisible());
    EXPECT_EQ(Column(StmtNoteList, "f_day"), QStringList{FormatStoreDate(Desktop.Today())});
    // Leaving again without a new press makes nothing more.
    QTest::mouseMove(swatch, QPoint(20, 20));
    QTest::mouseMove(swatch, QPoint(60, 20));
    QTest::mouseRelease(swatch, Qt::LeftButton, {}, QPoint(60, 20));
    Main->fcPanelMouseLeave(swatch);
    EXPECT_EQ(Main->NoteWindows.size(), 1);
    // Drawn out of the bottom-right palette, the note lies wholly on the screen.
    Desktop.Cursor = QPoint(1003, 703);
    Main->fcPanelMouseDown(swatch, Qt::LeftButton);
    Main->fcPanelMouseLeave(swatch);
    ASSERT_EQ(Main->NoteWindows.size(), 2);
    EXPECT_EQ(Main->NoteWindows.last()->geometry(), QRect(753, 697, 271, 71));
}

TEST_F(Palette, ClickReleasedInsideArmsUntilTheCursorLeaves)
{
    Start();
    Main->V1Click();
    TSwatch* swatch = Main->Panel(1);
    QTest::mouseClick(swatch, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(Main->SelectedColor, 16744703u);
    EXPECT_TRUE(Main->NoteWindows.isEmpty());
    Desktop.Cursor = QPoint(40, 90);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(swatch, &leave);
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    EXPECT_EQ(Main->NoteWindows.first()->pos(), QPoint(40, 90));
    EXPECT_EQ(Main->NoteWindows.first()->Color(), 16744703u);
}

TEST_F(Palette, RightButtonAndDoubleClickSwatchesArmNothing)
{
    Start();
    Main->V1Click();
    QTest::mousePress(Main->Panel(2), Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseMove(Main->Panel(2), QPoint(60, 20));
    QTest::mouseRelease(Main->Panel(2), Qt::RightButton, {}, QPoint(60, 20));
    EXPECT_EQ(Main->DragArmed, 0);
    EXPECT_TRUE(Main->NoteWindows.isEmpty());
    // Swatches 3 to 5 take their colour on a double-click only.
    Main->SelectedColor = 0;
    Main->fcPanelClick(Main->Panel(5));
    EXPECT_EQ(Main->SelectedColor, 12632256u);
}

TEST_F(Palette, NoteMadeWhileTheStoreRefusesGetsItsRowOnceItTakesOne)
{
    Start();
    Main->Timer1Timer();
    QSignalSpy notified(Main.get(), &TfrmMain::Notified);
    auto other = std::make_unique<TSQLiteDatabase>(DbPath().toUtf8());
    other->RunStatement("BEGIN EXCLUSIVE");
    Main->V1Click();
    Main->fcPanelMouseDown(Main->Panel(4), Qt::LeftButton);
    Main->fcPanelMouseLeave(Main->Panel(4));
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    TfrmDaviv* note = Main->NoteWindows.first();
    EXPECT_EQ(note->NoteId(), 0);
    EXPECT_EQ(note->SaveState(), TSaveState::Failed);
    EXPECT_FALSE(Main->isVisible());
    note->SetMemoText(QStringLiteral("typed while the store was locked"));

    // Told once, without a modal box; the tray says so until the note is stored.
    for (int i = 0; i < 2 * TfrmMain::RetryTicks; ++i)
        Main->Timer1Timer();
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(notified.first().first().toString().contains(QStringLiteral("database is locked")));
    EXPECT_NE(Main->TrayIcon1()->toolTip(), QStringLiteral("RIdozad"));
    EXPECT_TRUE(Reports.isEmpty());

    other.reset();
    for (int i = 0; i < TfrmMain::RetryTicks; ++i)
        Main->Timer1Timer();
    EXPECT_EQ(note->SaveState(), TSaveState::Stored);
    EXPECT_NE(note->NoteId(), 0);
    EXPECT_EQ(Column(StmtNoteById(note->NoteId()), "note"),
              QStringList{QStringLiteral("typed while the store was locked\r\n")});
    EXPECT_EQ(notified.count(), 2);
    EXPECT_EQ(Main->TrayIcon1()->toolTip(), QStringLiteral("RIdozad"));
}

TEST_F(Palette, CornerShowsAndLeavingHidesAtTheNextTick)
{
    Start();
    Desktop.Cursor = QPoint(0, 767);
    Main->Timer1Timer();
    EXPECT_TRUE(Main->isVisible());
    EXPECT_EQ(Main->pos(), QPoint(0, 665));
    Desktop.Cursor = QPoint(50, 700);
    Main->Timer1Timer();
    EXPECT_TRUE(Main->isVisible());
    Desktop.Cursor = QPoint(50, 664);
    Main->Timer1Timer();
    EXPECT_FALSE(Main->isVisible());
}

TEST_F(Palette, StoreThatCannotBeReadAtStartIsReportedOnceAndTriedAgain)
{
    Prepare();
    AddRow("'2011/08/26', 'waiting', 10, 20, 271, 71, -1, -1, 65408, 200");
    const QString moved = Dir.filePath(QStringLiteral("elsewhere.db"));
    QFile::rename(DbPath(), moved);
    QDir(Dir.path()).mkdir(QString::fromLatin1(StoreFileName));
    Start();
    QSignalSpy notified(Main.get(), &TfrmMain::Notified);
    for (int i = 0; i < 3 * TfrmMain::RetryTicks; ++i)
        Main->Timer1Timer();
    EXPECT_TRUE(Main->FirstTick);
    EXPECT_TRUE(Reports.isEmpty());
    ASSERT_EQ(notified.count(), 1);
    EXPECT_TRUE(notified.first().first().toString().contains(QDir::toNativeSeparators(DbPath())));

    QDir(Dir.path()).rmdir(QString::fromLatin1(StoreFileName));
    QFile::rename(moved, DbPath());
    for (int i = 0; i < TfrmMain::RetryTicks; ++i)
        Main->Timer1Timer();
    EXPECT_FALSE(Main->FirstTick);
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    EXPECT_EQ(Main->NoteWindows.first()->MemoText(), QStringLiteral("waiting\r\n"));
}

TEST_F(Palette, ASecondCopyAsksTheFirstToShowItself)
{
    TSingleInstance first(DbPath());
    ASSERT_TRUE(first.Claim());
    QSignalSpy shown(&first, &TSingleInstance::ShowRequested);
    std::atomic<bool> done = false;
    bool secondClaimed = true;
    bool secondAnswered = false;
    // The second copy blocks on its request, so it runs beside this thread's event loop.
    std::thread second([&] {
        TSingleInstance copy(DbPath());
        secondClaimed = copy.Claim();
        secondAnswered = copy.Answered();
        done = true;
    });
    EXPECT_EVENTUALLY(done);
    second.join();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(secondClaimed);
    EXPECT_TRUE(secondAnswered);
    TSingleInstance elsewhere(Dir.filePath(QStringLiteral("other.db")));
    EXPECT_TRUE(elsewhere.Claim());

    // The lock lies beside the store, so a copy with another temporary folder meets it too.
    QTemporaryDir otherTemp;
    const QByteArray temp = qgetenv("TMPDIR");
    qputenv("TMPDIR", otherTemp.path().toUtf8());
    TSingleInstance otherUser(QDir(Dir.path()).filePath(QStringLiteral("./zu_daviv.db")));
    EXPECT_FALSE(otherUser.Claim());
    temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
}

TEST_F(Palette, ExitSaveWaitsForALockHeldBrieflyElsewhere)
{
    Prepare();
    AddRow("'2011/08/26', 'old', 10, 20, 300, 90, -1, -1, 65408, 200");
    Start();
    Main->Timer1Timer();
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    Main->NoteWindows.first()->SetMemoText(QStringLiteral("last words"));
    std::atomic<bool> locked = false;
    std::thread other([&] {
        TSQLiteDatabase db(DbPath().toUtf8());
        db.RunStatement("BEGIN EXCLUSIVE");
        locked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        db.RunStatement("ROLLBACK");
    });
    while (!locked)
        std::this_thread::yield();
    Main->close();
    other.join();
    EXPECT_TRUE(Reports.isEmpty());
    EXPECT_EQ(Column(StmtNoteList, "note"), QStringList{QStringLiteral("last words\r\n")});
}

TEST_F(Palette, ExitSaveNamesTheNotesItCouldNotSaveAndStillEnds)
{
    Prepare();
    AddRow("'2011/08/26', 'old', 10, 20, 300, 90, -1, -1, 65408, 200");
    AddRow("'2011/08/26', '', 10, 20, 300, 90, -1, -1, 65408, 200");
    Start();
    Main->ExitLockWaitMs = 100;
    Main->Timer1Timer();
    Main->NoteWindows.first()->SetMemoText(QStringLiteral("買い物\nmilk"));
    TSQLiteDatabase other(DbPath().toUtf8());
    other.RunStatement("BEGIN EXCLUSIVE");
    QSignalSpy closed(Main.get(), &TfrmMain::Closed);
    Main->close();
    other.RunStatement("ROLLBACK");
    EXPECT_EQ(closed.count(), 1);
    ASSERT_EQ(Reports.size(), 1);
    EXPECT_TRUE(Reports.first().contains(QStringLiteral("買い物"))) << qPrintable(Reports.first());
    EXPECT_TRUE(Reports.first().contains(QStringLiteral("(空の付箋)")));
    EXPECT_EQ(Column(StmtNoteList, "note"), (QStringList{QStringLiteral("old"), QString()}));
}

// --- The application's error report ---

TEST(ErrorReport, FullStopIsAppendedUnlessTheTextEndsAtOrBeforeIt)
{
    EXPECT_EQ(ErrorReportText(QStringLiteral("Table is at End of File")), QStringLiteral("Table is at End of File."));
    EXPECT_EQ(ErrorReportText(QStringLiteral("done.")), QStringLiteral("done."));
    EXPECT_EQ(ErrorReportText(QStringLiteral("what!")), QStringLiteral("what!"));
    EXPECT_EQ(ErrorReportText(QStringLiteral("a: ")), QStringLiteral("a: "));
    EXPECT_EQ(ErrorReportText(QStringLiteral("保存できません")), QStringLiteral("保存できません."));
    EXPECT_EQ(ErrorReportText(QString()), QString());
}

TEST(ErrorReport, ErrorsLeavingAnEventHandlerAreReportedNotPropagated)
{
    QStringList reports;
    SetErrorReporter([&](const QString& text) { reports << text; });
    QObject target;
    QTimer::singleShot(0, &target, [] { throw EConvertError(QStringLiteral("'x' is not a valid date")); });
    ASSERT_EVENTUALLY(reports.size() == 1);
    EXPECT_EQ(reports.first(), QStringLiteral("'x' is not a valid date."));
    SetErrorReporter({});
}

// --- Beyond the palette's commands ---

TEST_F(Palette, TrayMakesANoteOfTheLastColourInTheMiddleOfTheScreen)
{
    Start();
    Main->Timer1Timer();
    Main->NewNoteClick();
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    EXPECT_EQ(Main->NoteWindows.first()->geometry(), QRect(376, 348, 271, 71));
    EXPECT_EQ(Main->NoteWindows.first()->Color(), 65535u);
    Main->fcPanelClick(Main->Panel(2));
    Main->NewNoteClick();
    ASSERT_EQ(Main->NoteWindows.size(), 2);
    EXPECT_EQ(Main->NoteWindows.last()->Color(), Main->Panel(2)->ColorValue());
    // The next one comes down and to the right of the first, not over it.
    EXPECT_EQ(Main->NoteWindows.last()->geometry(), QRect(400, 372, 271, 71));
    EXPECT_EQ(Column(StmtNoteList, "rowid"), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
}

TEST_F(Palette, NotesComeBackWithTheirTextSizeAndStayingOnTop)
{
    Prepare();
    AddRow("'2011/08/26', 'big', 10, 20, 300, 90, -1, -1, 65408, 200");
    AddRow("'2011/08/26', 'plain', 10, 200, 300, 90, -1, -1, 65408, 200");
    Store.SaveNoteLook(1, {150, true});
    Start();
    Main->Timer1Timer();
    ASSERT_EQ(Main->NoteWindows.size(), 2);
    TfrmDaviv* big = Main->NoteWindows[0];
    EXPECT_EQ(big->Look(), (TNoteLook{150, true}));
    EXPECT_TRUE(big->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_DOUBLE_EQ(big->RichEdMemo()->font().pointSizeF(), big->font().pointSizeF() * 1.5);
    EXPECT_EQ(Main->NoteWindows[1]->Look(), TNoteLook{});
}

TEST_F(Palette, AfterAMinuteAtRestTheDaysBackupIsMadeAndOldOnesThinnedOut)
{
    Prepare();
    AddRow("'2011/08/26', 'kept safe', 10, 20, 300, 90, -1, -1, 65408, 200");
    const QDir backups(Dir.filePath(QStringLiteral("backup")));
    backups.mkpath(QStringLiteral("."));
    for (int i = 1; i <= 30; ++i)
        QFile(backups.filePath(BackupFileName(Desktop.Today().addDays(-i)))).open(QIODevice::WriteOnly);
    Start();
    Main->Timer1Timer();
    const QString today = backups.filePath(BackupFileName(Desktop.Today()));
    Desktop.Clock = Desktop.Clock.addSecs(59);
    Main->Timer1Timer();
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(today));
    // A moved cursor starts the minute again.
    Desktop.Cursor += QPoint(1, 0);
    Desktop.Clock = Desktop.Clock.addSecs(61);
    Main->Timer1Timer();
    EXPECT_FALSE(QFile::exists(today));
    Desktop.Clock = Desktop.Clock.addSecs(61);
    Main->Timer1Timer();
    ASSERT_EVENTUALLY(QFile::exists(today));
    TSQLiteDatabase copy(today.toUtf8());
    EXPECT_EQ(copy.RunQuery("select note from m_daviv")->ValueText("note"), "kept safe");
    EXPECT_EQ(backups.entryList({QStringLiteral("*.db")}, QDir::Files).size(), 11);
}

TEST_F(Palette, GoingBackToABackupShowsItsOpenNotesAndKeepsWhatWasOnTheDesktop)
{
    Prepare();
    AddRow("'2011/08/26', 'open in the backup', 10, 20, 300, 90, -1, -1, 65408, 200");
    AddRow("'2011/08/26', 'ended in the backup', 10, 200, 300, 90, 0, -1, 65408, 200");
    const QString backup = Dir.filePath(QStringLiteral("backup/") + BackupFileName(Desktop.Today().addDays(-1)));
    ASSERT_TRUE(TStoreBackup(DbPath(), backup).Step(-1));
    Exec("update m_daviv set term = 0 where rowid = 1");
    AddRow("'2011/08/26', 'open since', 10, 400, 300, 90, -1, -1, 65408, 200");
    Exec("insert into m_icom_message values ('9:00:00', 'since', '2026/12/09')");
    Start();
    Main->Timer1Timer();
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    TfrmDaviv* since = Main->NoteWindows.first();
    since->SetMemoText(QStringLiteral("typed since"));

    ASSERT_TRUE(Main->RestoreBackup(backup));
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    EXPECT_EQ(Main->NoteWindows.first()->MemoText(), QStringLiteral("open in the backup\r\n"));
    EXPECT_TRUE(Main->NoteWindows.first()->isVisible());
    EXPECT_TRUE(Main->Reminders().entries().empty());
    EXPECT_EVENTUALLY(OwnedNotes().size() == 1);
    const QString kept = Dir.filePath(QStringLiteral("backup/") + KeptStoreFileName(Desktop.Now()));
    TSQLiteDatabase copy(kept.toUtf8());
    EXPECT_EQ(copy.RunQuery("select note from m_daviv where rowid = 3")->ValueText("note"), "typed since\r\n");
    EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
}

TEST_F(Palette, AScreenMadeSmallerBringsItsNotesWithinReachAndKeepsTheirPlaces)
{
    Prepare();
    AddRow("'2011/08/26', 'right', 700, 550, 271, 71, -1, -1, 65408, 200");
    AddRow("'2011/08/26', 'left', 100, 100, 271, 71, -1, -1, 65408, 200");
    Start();
    Main->Timer1Timer();
    Desktop.Areas = {QRect(0, 0, 800, 576)};
    Main->KeepNotesReachable();
    EXPECT_EQ(Main->NoteWindows[0]->geometry(), QRect(529, 505, 271, 71));
    EXPECT_EQ(Main->NoteWindows[1]->geometry(), QRect(100, 100, 271, 71));
    // Saved while it shows elsewhere, the note keeps the place the user gave it.
    Main->SaveAllNotesNow();
    const QStringList stored = {QStringLiteral("700,550"), QStringLiteral("100,100")};
    EXPECT_EQ(Column("select xpos || ',' || ypos as p from m_daviv order by rowid", "p"), stored);
    Desktop.Areas.clear();
    Main->KeepNotesReachable();
    EXPECT_EQ(Main->NoteWindows[0]->geometry(), QRect(700, 550, 271, 71));
    Main->close();
    EXPECT_EQ(Column("select xpos || ',' || ypos as p from m_daviv order by rowid", "p"), stored);
}

TEST_F(Palette, BackupFolderWithoutAFileManagerIsNamedForTheUser)
{
    Start();
    Desktop.FolderOpens = false;
    Main->OpenBackupsClick();
    const auto* box = Main->findChild<QMessageBox*>(QStringLiteral("BackupFolderBox"));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->text().endsWith(QDir::toNativeSeparators(Dir.filePath(QStringLiteral("backup")))));
    EXPECT_EQ(Desktop.OpenedFolders.size(), 1);
}
