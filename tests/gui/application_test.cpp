// The application object: start and the restore of the notes, the commands it carries out for
// the tray, the exit save, the day's backup, screens that change, its error report, and the
// translation it finds beside the program.
#include "app/SingleInstance.h"
#include "app/SyncStep.h"
#include "app/Translation.h"
#include "core/Backup.h"
#include "core/Error.h"
#include "core/ReminderSchedule.h"
#include "core/SyncFile.h"
#include "core/SyncStore.h"
#include "gui/BalloonPopup.h"
#include "gui/NoteEditor.h"
#include "gui/Swatch.h"

#include "TestSupport.h"

#include <QMessageBox>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
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

// The program on a scratch store, its tick stopped so that each test ticks by hand.
class ApplicationTest : public WindowFixture {
protected:
    // Logs every update of a note row, so tests see which saves ran and in what order.
    void logUpdates()
    {
        exec("create table save_log (id INT)");
        exec("create trigger log_save after update on m_daviv begin insert into save_log values (new.rowid); end");
    }
    QStringList saveLog() { return column("select id from save_log order by rowid", "id"); }

    QList<NoteWindow*> ownedNotes() const
    {
        return app->palette().findChildren<NoteWindow*>(Qt::FindDirectChildrenOnly);
    }

    // The kinds of window a user sees: the program makes some (the trash window among them)
    // that nothing shows.
    static QStringList shownWindows()
    {
        QStringList shown;
        for (const QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                shown << QString::fromLatin1(window->metaObject()->className());
        shown.sort();
        return shown;
    }
};

} // namespace

// --- Start and restore ---

TEST_F(ApplicationTest, FirstStartCreatesTheStoreAndShowsNothing)
{
    start();
    EXPECT_TRUE(QFile::exists(dbPath()));
    EXPECT_EQ(query("select name from sqlite_master where type = 'table'")->rowCount(), 2u);
    EXPECT_FALSE(app->palette().isVisible());
    desktop.cursor = QPoint(500, 400);
    app->tick();
    EXPECT_FALSE(app->restorePending());
    EXPECT_TRUE(app->notes().notes().isEmpty());
    EXPECT_EQ(shownWindows(), QStringList());
    EXPECT_TRUE(reports.isEmpty());
    // Only the tray icon shows: without a tray to point at, the popup says how to make a note,
    // on the first start and never again.
    for (int run = 0; run < 2; ++run) {
        for (int tick = 0; tick < Application::RetryTicks; ++tick)
            app->tick();
        EXPECT_EQ(app->tray().popup()->isVisible(), run == 0);
        EXPECT_EQ(shownWindows(), run == 0 ? QStringList{QStringLiteral("BalloonPopup")} : QStringList());
        EXPECT_EQ(app->tray().popup()->text().contains(QStringLiteral("新しい付箋")), run == 0);
        start();
    }
}

TEST_F(ApplicationTest, RestoreShowsEveryReadableOpenRowAsStored)
{
    prepare();
    addRow(
        "'2011/08/26', 'first''s line' || char(13,10) || 'second' || char(13,10), 10, 20, 300, 90, -1, -1, 65408, 125");
    addRow("'2011/08/27', 'ended', 30, 40, 271, 71, 0, -1, 65535, 200");
    addRow("'2011/08/28', 'hidden', 50, 60, 280, 80, -1, 0, 16744703, 200");
    addRow("'2011/08/29', 'bad', 70, 80, '', 71, -1, -1, 65535, 200");
    const QStringList before = column("select quote(f_day) || quote(note) || quote(width) as r from m_daviv", "r");
    start();
    app->tick();
    ASSERT_EQ(app->notes().notes().size(), 2);
    NoteWindow* first = app->notes().notes()[0];
    EXPECT_EQ(first->noteId(), 1);
    EXPECT_EQ(first->geometry(), QRect(10, 20, 300, 90));
    EXPECT_EQ(first->color(), 65408u);
    EXPECT_EQ(first->alpha(), 125);
    EXPECT_EQ(first->noteDate(), QDate(2011, 8, 26));
    EXPECT_EQ(first->text(), QStringLiteral("first's line\r\nsecond\r\n"));
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->isOpen());
    NoteWindow* hidden = app->notes().notes()[1];
    EXPECT_EQ(hidden->noteId(), 3);
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_FALSE(hidden->visibleFlag());
    EXPECT_EQ(ownedNotes().size(), 2);
    EXPECT_EQ(shownWindows(), (QStringList{QStringLiteral("NoteWindow"), QStringLiteral("NoteWindow")}));
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(column("select quote(f_day) || quote(note) || quote(width) as r from m_daviv", "r"), before);
}

// The later notes lie over the earlier ones, as they always have: the windows are shown in
// the order of their rows, each already carrying its row's text and place.
TEST_F(ApplicationTest, RestoreShowsTheNotesInRowOrderWithTheirContent)
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
    app->tick();
    EXPECT_EQ(shown,
              QStringList({QStringLiteral("1 note 0 10"), QStringLiteral("2 note 1 11"), QStringLiteral("3 note 2 12"),
                           QStringLiteral("4 note 3 13"), QStringLiteral("5 note 4 14")}));
}

TEST_F(ApplicationTest, NotesComeBackWithTheirTextSizeAndStayingOnTop)
{
    prepare();
    addRow("'2011/08/26', 'big', 10, 20, 300, 90, -1, -1, 65408, 200");
    addRow("'2011/08/26', 'plain', 10, 200, 300, 90, -1, -1, 65408, 200");
    ASSERT_TRUE(store.saveNoteLook(1, {150, true}));
    start();
    app->tick();
    ASSERT_EQ(app->notes().notes().size(), 2);
    NoteWindow* big = app->notes().notes()[0];
    EXPECT_EQ(big->look(), (NoteLook{150, true}));
    EXPECT_TRUE(big->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_DOUBLE_EQ(big->editor()->font().pointSizeF(), big->font().pointSizeF() * 1.5);
    EXPECT_EQ(app->notes().notes()[1]->look(), NoteLook{});
}

TEST_F(ApplicationTest, StoreThatCannotBeReadAtStartIsReportedOnceAndTriedAgain)
{
    prepare();
    addRow("'2011/08/26', 'waiting', 10, 20, 271, 71, -1, -1, 65408, 200");
    const QString moved = dir.filePath(QStringLiteral("elsewhere.db"));
    QFile::rename(dbPath(), moved);
    QDir(dir.path()).mkdir(QString::fromLatin1(StoreFileName));
    start();
    QSignalSpy notified(&app->tray(), &Tray::notified);
    for (int i = 0; i < 3 * Application::RetryTicks; ++i)
        app->tick();
    EXPECT_TRUE(app->restorePending());
    EXPECT_TRUE(reports.isEmpty());
    ASSERT_EQ(notified.count(), 1);
    EXPECT_TRUE(notified.first().first().toString().contains(QDir::toNativeSeparators(dbPath())));

    QDir(dir.path()).rmdir(QString::fromLatin1(StoreFileName));
    QFile::rename(moved, dbPath());
    for (int i = 0; i < Application::RetryTicks; ++i)
        app->tick();
    EXPECT_FALSE(app->restorePending());
    ASSERT_EQ(app->notes().notes().size(), 1);
    EXPECT_EQ(app->notes().notes().first()->text(), QStringLiteral("waiting\r\n"));
}

TEST_F(ApplicationTest, ASecondCopyAsksTheFirstToShowItself)
{
    SingleInstance first(dbPath());
    ASSERT_TRUE(first.claim());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
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

    // A lock path that cannot be a lock is told, naming it, and the copy runs.
    const QString folderStore = dir.filePath(QStringLiteral("folder.db"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.db.lock")));
    SingleInstance blocked(folderStore);
    EXPECT_TRUE(blocked.claim());
    EXPECT_TRUE(blocked.lockProblem().contains(QDir::toNativeSeparators(folderStore + QStringLiteral(".lock"))));
}

// --- Commands from the tray and the palette ---

TEST_F(ApplicationTest, TrayMakesANoteOfTheLastColourInTheMiddleOfTheScreen)
{
    start();
    app->tick();
    app->newNote();
    ASSERT_EQ(app->notes().notes().size(), 1);
    EXPECT_EQ(app->notes().notes().first()->geometry(), QRect(376, 348, 271, 71));
    EXPECT_EQ(app->notes().notes().first()->color(), 65535u);
    app->palette().takeSwatchColor(app->palette().swatch(2));
    app->newNote();
    ASSERT_EQ(app->notes().notes().size(), 2);
    EXPECT_EQ(app->notes().notes().last()->color(), app->palette().swatch(2)->colorValue());
    // The next one comes down and to the right of the first, not over it.
    EXPECT_EQ(app->notes().notes().last()->geometry(), QRect(400, 372, 271, 71));
    EXPECT_EQ(column(Statements::noteList, "rowid"), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
}

TEST_F(ApplicationTest, BackupFolderWithoutAFileManagerIsNamedForTheUser)
{
    start();
    desktop.folderOpens = false;
    app->openBackupFolder();
    const auto* box = app->palette().findChild<QMessageBox*>(QStringLiteral("backupFolderBox"));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->text().endsWith(QDir::toNativeSeparators(dir.filePath(QStringLiteral("backup")))));
    EXPECT_EQ(desktop.openedFolders.size(), 1);
}

// --- Exit ---

TEST_F(ApplicationTest, CloseBeforeTheFirstTickSavesNothing)
{
    prepare();
    addRow("'2011/08/26', 'kept', 10, 20, 300, 90, -1, -1, 65408, 125");
    logUpdates();
    start();
    QSignalSpy closed(app.get(), &Application::finished);
    app->quit();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(saveLog().isEmpty());
    EXPECT_EQ(column(Statements::openNotes, "alpha"), QStringList{QStringLiteral("125")});
}

TEST_F(ApplicationTest, CloseSavesEachWindowOnceInCreationOrderThenDestroysIt)
{
    prepare();
    for (int i = 0; i < 3; ++i)
        addRow("'2011/08/26', 'n', 10, 20, 300, 90, -1, -1, 65408, 200");
    logUpdates();
    start();
    app->tick();
    ASSERT_EQ(app->notes().notes().size(), 3);
    app->notes().notes()[1]->hideNote();
    app->quit();
    EXPECT_EQ(saveLog(), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_TRUE(app->notes().notes().isEmpty());
    EXPECT_TRUE(ownedNotes().isEmpty());
    // The hidden note stays open and comes back at the next start.
    EXPECT_EQ(column(Statements::openNotes, "rowid").size(), 3);
}

// --- The day's backup and going back to one ---

TEST_F(ApplicationTest, AfterAMinuteAtRestTheDaysBackupIsMadeAndOldOnesThinnedOut)
{
    prepare();
    addRow("'2011/08/26', 'kept safe', 10, 20, 300, 90, -1, -1, 65408, 200");
    const QDir backups(dir.filePath(QStringLiteral("backup")));
    backups.mkpath(QStringLiteral("."));
    for (int i = 1; i <= 30; ++i)
        QFile(backups.filePath(backupFileName(desktop.today().addDays(-i)))).open(QIODevice::WriteOnly);
    start();
    app->tick();
    const QString today = backups.filePath(backupFileName(desktop.today()));
    desktop.clock = desktop.clock.addSecs(59);
    app->tick();
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(today));
    // A moved cursor starts the minute again.
    desktop.cursor += QPoint(1, 0);
    desktop.clock = desktop.clock.addSecs(61);
    app->tick();
    EXPECT_FALSE(QFile::exists(today));
    desktop.clock = desktop.clock.addSecs(61);
    app->tick();
    ASSERT_EVENTUALLY(QFile::exists(today));
    EXPECT_EQ(connectTo(today).runQuery("select note from m_daviv")->valueText("note"), "kept safe");
    EXPECT_EQ(backups.entryList({QStringLiteral("*.db")}, QDir::Files).size(), 11);
}

TEST_F(ApplicationTest, GoingBackToABackupShowsItsOpenNotesAndKeepsWhatWasOnTheDesktop)
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
    app->tick();
    ASSERT_EQ(app->notes().notes().size(), 1);
    NoteWindow* since = app->notes().notes().first();
    since->setText(QStringLiteral("typed since"));

    ASSERT_TRUE(app->restoreBackup(backup));
    ASSERT_EQ(app->notes().notes().size(), 1);
    EXPECT_EQ(app->notes().notes().first()->text(), QStringLiteral("open in the backup\r\n"));
    EXPECT_TRUE(app->notes().notes().first()->isVisible());
    EXPECT_TRUE(app->reminders().entries().empty());
    EXPECT_EVENTUALLY(ownedNotes().size() == 1);
    const QString kept = dir.filePath(QStringLiteral("backup/") + keptStoreFileName(desktop.now()));
    EXPECT_EQ(connectTo(kept).runQuery("select note from m_daviv where rowid = 3")->valueText("note"),
              "typed since\r\n");
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
}

// --- Screens ---

TEST_F(ApplicationTest, AScreenMadeSmallerBringsItsNotesWithinReachAndKeepsTheirPlaces)
{
    prepare();
    addRow("'2011/08/26', 'right', 700, 550, 271, 71, -1, -1, 65408, 200");
    addRow("'2011/08/26', 'left', 100, 100, 271, 71, -1, -1, 65408, 200");
    start();
    app->tick();
    desktop.areas = {QRect(0, 0, 800, 576)};
    app->notes().keepReachable();
    EXPECT_EQ(app->notes().notes()[0]->geometry(), QRect(529, 505, 271, 71));
    EXPECT_EQ(app->notes().notes()[1]->geometry(), QRect(100, 100, 271, 71));
    // Saved while it shows elsewhere, the note keeps the place the user gave it.
    app->saveAllNotesNow();
    const QStringList stored = {QStringLiteral("700,550"), QStringLiteral("100,100")};
    EXPECT_EQ(column("select xpos || ',' || ypos as p from m_daviv order by rowid", "p"), stored);
    desktop.areas.clear();
    app->notes().keepReachable();
    EXPECT_EQ(app->notes().notes()[0]->geometry(), QRect(700, 550, 271, 71));
    app->quit();
    EXPECT_EQ(column("select xpos || ',' || ypos as p from m_daviv order by rowid", "p"), stored);
}

// --- The error report ---

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
    ErrorReport report([&](const QString& text) { reports << text; });
    static_cast<GuardedApplication*>(qApp)->reportEscapesTo(&report);
    QObject target;
    QTimer::singleShot(0, &target, [] { throw Error(QStringLiteral("'x' is not a valid date")); });
    ASSERT_EVENTUALLY(reports.size() == 1);
    EXPECT_EQ(reports.first(), QStringLiteral("'x' is not a valid date."));
    static_cast<GuardedApplication*>(qApp)->reportEscapesTo(nullptr);
}

// --- The translation ---

namespace {

// A .qm file of no messages, which QTranslator takes: enough to see which file is chosen.
void writeEmptyTranslation(const QString& path)
{
    const char magic[] = "\x3c\xb8\x64\x18\xca\xef\x9c\x95\xcd\x21\x1c\xbf\x60\xa1\xbd\xdd";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(magic, sizeof magic - 1);
}

} // namespace

TEST(Translation, IsTheLocalesFileInTheTranslationsFolderBesideTheProgramOnly)
{
    QTemporaryDir program;
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(loadTranslation(program.path(), german), nullptr);
    ASSERT_TRUE(QDir(program.path()).mkdir(QStringLiteral("translations")));
    writeEmptyTranslation(program.filePath(QStringLiteral("translations/zufusen_fr.qm")));
    writeEmptyTranslation(program.filePath(QStringLiteral("zufusen_de.qm")));
    EXPECT_EQ(loadTranslation(program.path(), german), nullptr);

    writeEmptyTranslation(program.filePath(QStringLiteral("translations/zufusen_de.qm")));
    const std::unique_ptr<QTranslator> translation = loadTranslation(program.path(), german);
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->filePath(), program.filePath(QStringLiteral("translations/zufusen_de.qm")));
}

// --- Synchronising ---

// Another PC's change replaces the window of the note it changed, at this PC's place; its new
// note opens; a folder that goes is told once.
TEST_F(ApplicationTest, AnotherPcsChangesReachTheWindows)
{
    QTemporaryDir folder;
    QTemporaryDir there;
    prepare();
    Note mine{store.addNote(desktop.today())->id,
              desktop.today(),
              QStringLiteral("ここの付箋\r\n"),
              std::nullopt,
              QRect(50, 60, 271, 71),
              true,
              true,
              0x80FFFF,
              200};
    ASSERT_TRUE(store.saveNote(mine, std::nullopt));
    ASSERT_TRUE(SyncStore::turnOn(store, folder.path(), QStringLiteral("HERE"), QSysInfo::machineHostName()));
    startAndRestore();
    app->tick();
    const StoreResult<std::optional<SyncSettings>> here = SyncStore::settings(store);
    const QString ourFile = QDir(folder.path()).filePath(SyncFile::fileName((*here)->storeId, (*here)->pcName));
    ASSERT_EVENTUALLY(QFileInfo::exists(ourFile));
    const StoreResult<SyncFileContent> ours = SyncFile::read(ourFile);
    ASSERT_TRUE(ours);

    // The other PC takes the note in and edits it; then makes one of its own.
    NoteStore other(there.path());
    ASSERT_TRUE(other.prepare());
    ASSERT_TRUE(SyncStore::turnOn(other, there.filePath(QStringLiteral("sync")), QStringLiteral("THERE"),
                                  QStringLiteral("there")));
    const auto sendFromThere = [&] {
        const StoreResult<SyncRound> round = SyncStore::runRound(other, {*ours});
        ASSERT_TRUE(round && SyncFile::write(folder.path(), round->file));
        app->sync().syncNow();
    };
    ASSERT_TRUE(SyncStore::runRound(other, {*ours}));
    StoredNote taken = other.openNotes()->front();
    taken.note.text = QStringLiteral("あちらで書き足した\r\n");
    ASSERT_TRUE(other.saveNote(taken.note, taken.image));
    sendFromThere();
    const auto shownWith = [&](const QString& text) -> NoteWindow* {
        for (NoteWindow* note : app->notes().notes())
            if (note->isVisible() && note->snapshot().text == text)
                return note;
        return nullptr;
    };
    NoteWindow* replaced = shownWith(QStringLiteral("あちらで書き足した\r\n"));
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(replaced->noteId(), mine.id);
    EXPECT_EQ(replaced->bounds(), mine.bounds);

    Note theirs = taken.note;
    theirs.id = other.addNote(desktop.today())->id;
    theirs.text = QStringLiteral("あちらの付箋\r\n");
    ASSERT_TRUE(other.saveNote(theirs, std::nullopt));
    sendFromThere();
    EXPECT_EVENTUALLY(shownWith(QStringLiteral("あちらの付箋\r\n")));

    QSignalSpy told(&app->tray(), &Tray::notified);
    // This PC's file may be being written on its thread meanwhile, into the folder going away.
    ASSERT_EVENTUALLY(folder.remove());
    app->sync().syncNow();
    app->sync().syncNow();
    EXPECT_EQ(told.size(), 1);
}
