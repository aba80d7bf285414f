#include "FaultFixture.h"

#include "controls/ReportList.h"
#include "list/uFList.h"
#include "store/Backup.h"
#include "store/StoreRecovery.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QSignalSpy>

#include <functional>
#include <optional>

namespace {

using StoreLocked = TFaultFixture;
using StoreUnwritable = TFaultFixture;
using StoreDamaged = TFaultFixture;

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

// --- Another program holds the store's write lock ---

TEST_F(StoreLocked, NoteSaveIsDroppedQuietlyAndTheNextSaveStoresWhatWasTyped)
{
    for (const QByteArray& lock : LockKinds) {
        const qint64 id = AddOpenNote(S("before"));
        TfrmDaviv* note = ShownNote(id, S("before"));
        const QStringList before = Snapshot();
        {
            TLockHolder other(DbPath(), lock);
            note->SetMemoText(S("typed while locked\n表ソ能"));
            PointerLeaves(note);
            note->move(note->x() + 5, note->y());
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(Snapshot(), before) << lock.constData();
        EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
        EXPECT_EQ(note->MemoText(), S("typed while locked\r\n表ソ能\r\n"));

        // The first save after the release writes the whole note again, with nothing typed anew.
        const QStringList others = SnapshotExcept(id);
        PointerLeaves(note);
        EXPECT_EQ(StoredText(id), S("typed while locked\r\n表ソ能\r\n")) << lock.constData();
        EXPECT_EQ(SnapshotExcept(id), others);
        note->SetMemoText(S("and later"));
        PointerLeaves(note);
        EXPECT_EQ(StoredText(id), S("and later\r\n"));
        delete note;
    }
}

TEST_F(StoreLocked, ExitSaveWaitsForALockAnotherProcessReleases)
{
    const qint64 first = AddOpenNote(S("old one"));
    const qint64 second = AddOpenNote(S("old two"));
    StartAndRestore();
    ASSERT_EQ(Main->NoteWindows.size(), 2);
    Main->NoteWindows[0]->SetMemoText(S("最後の編集"));
    Main->NoteWindows[1]->SetMemoText(S("last edit"));
    const QStringList bystanders =
        Snapshot("rowid not in (" + QByteArray::number(first) + "," + QByteArray::number(second) + ")");

    // The command-line shell takes the lock and lets it go a second later by itself, while
    // this process is inside the exit save.
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty())
        GTEST_SKIP() << "the sqlite3 shell is not installed";
    QProcess shell;
    shell.start(sqlite3, {DbPath()});
    ASSERT_TRUE(shell.waitForStarted());
    shell.write("BEGIN EXCLUSIVE;\n.system sleep 1\nROLLBACK;\n.quit\n");
    ASSERT_EVENTUALLY(!StoreReadable());
    QSignalSpy closed(Main.get(), &TfrmMain::Closed);
    Main->close();
    ASSERT_TRUE(shell.waitForFinished());

    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
    EXPECT_EQ(StoredText(first), S("最後の編集\r\n"));
    EXPECT_EQ(StoredText(second), S("last edit\r\n"));
    EXPECT_EQ(Snapshot("rowid not in (" + QByteArray::number(first) + "," + QByteArray::number(second) + ")"),
              bystanders);
}

TEST_F(StoreLocked, ExitSaveNamesEveryNoteItCouldNotSaveAndChangesNothing)
{
    for (const QByteArray& lock : LockKinds) {
        Exec("delete from m_daviv where rowid > 1");
        AddOpenNote(S("old"));
        AddOpenNote(S(""));
        StartAndRestore();
        Main->ExitLockWaitMs = 200;
        ASSERT_EQ(Main->NoteWindows.size(), 2);
        Main->NoteWindows[0]->SetMemoText(S("買い物リスト\nmilk"));
        Main->NoteWindows[1]->SetMemoText(S("  \n二行目"));
        const QStringList before = Snapshot();
        Reports.clear();
        {
            TLockHolder other(DbPath(), lock);
            Main->close();
        }
        EXPECT_EQ(Snapshot(), before) << lock.constData();
        ASSERT_EQ(Reports.size(), 1) << lock.constData();
        const QStringList lines = Reports.first().split(QLatin1Char('\n'));
        EXPECT_EQ(lines.mid(1, 2), (QStringList{S("・買い物リスト"), S("・(空の付箋)")}))
            << qPrintable(Reports.first());
        // What could not be stored is in a text file beside the store, named in the report.
        QFile rescued(lines.value(lines.size() - 2));
        ASSERT_TRUE(rescued.open(QIODevice::ReadOnly)) << qPrintable(Reports.first());
        const QString text = QString::fromUtf8(rescued.readAll());
        EXPECT_TRUE(text.contains(S("買い物リスト\r\nmilk\r\n")) && text.contains(S("  \r\n二行目\r\n")));
        rescued.remove();
        EXPECT_TRUE(Main->NoteWindows.isEmpty());
        Main.reset();
    }
}

TEST_F(StoreLocked, NoteListReloadFailsWithoutChangingTheStore)
{
    const qint64 ended = AddRow("'2011/08/27', 'ended note', 10, 20, 271, 71, 0, -1, 65535, 200");
    TfrmList list(Desktop, Store);
    list.show();
    auto* rows = list.findChild<TReportList*>(QStringLiteral("ListVwLg"));
    ASSERT_EQ(rows->topLevelItemCount(), 2);
    const QStringList before = Snapshot();

    // A write lock still lets the list read: the delete fails, says so, and the row stays listed.
    {
        TLockHolder other(DbPath(), "BEGIN IMMEDIATE");
        rows->topLevelItem(1)->setSelected(true);
        QTest::mouseClick(list.findChild<QPushButton*>(QStringLiteral("btnremove")), Qt::LeftButton);
        EXPECT_EQ(rows->topLevelItemCount(), 2);
        ASSERT_EQ(Reports.size(), 1);
        EXPECT_TRUE(Reports.first().contains(S("database is locked"))) << qPrintable(Reports.first());
    }
    EXPECT_EQ(Snapshot(), before);

    // An exclusive lock stops the reload itself, which is reported.
    {
        TLockHolder other(DbPath(), "BEGIN EXCLUSIVE");
        list.hide();
        list.show();
        EXPECT_EQ(Reports.size(), 2);
    }
    EXPECT_EQ(Snapshot(), before);
    list.hide();
    list.show();
    ASSERT_EQ(rows->topLevelItemCount(), 2);
    EXPECT_EQ(rows->topLevelItem(1)->text(1), S("ended note"));

    // Bringing a note back while another program writes: the window opens with the stored
    // text, and its own first save makes it open in the store.
    {
        TLockHolder other(DbPath(), "BEGIN IMMEDIATE");
        rows->topLevelItem(1)->setSelected(true);
        QTest::mouseClick(list.findChild<QPushButton*>(QStringLiteral("btnreview")), Qt::LeftButton);
    }
    EXPECT_EQ(Snapshot(), before);
    const QList<TfrmDaviv*> shown = list.findChildren<TfrmDaviv*>();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first()->MemoText(), S("ended note\r\n"));
    EXPECT_EQ(shown.first()->SaveState(), TSaveState::Failed);
    shown.first()->SaveNote();
    EXPECT_EQ(StoredTerm(ended), S("-1"));
    EXPECT_EQ(StoredText(ended), S("ended note"));
    EXPECT_EQ(Reports.size(), 2);
}

// --- The store's file or folder cannot be written ---

TEST_F(StoreUnwritable, ReadOnlyFileKeepsEveryRowAndTheExitSaveSaysSo)
{
    const qint64 id = AddOpenNote(S("stored"));
    QFile::setPermissions(Dir.path(), QFile::Permissions(0x7777));
    QFile::setPermissions(DbPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    TUnprivilegedFiles unprivileged;
    if (TUnprivilegedFiles::CanWrite(DbPath()))
        GTEST_SKIP() << "this user writes to read-only files";

    const QStringList before = Snapshot();
    StartAndRestore();
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    TfrmDaviv* note = Main->NoteWindows.first();
    EXPECT_EQ(note->MemoText(), S("stored\r\n"));
    note->SetMemoText(S("typed on a read-only store"));
    PointerLeaves(note);
    note->move(note->x() + 5, note->y());
    QCoreApplication::processEvents();
    EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
    EXPECT_EQ(note->MemoText(), S("typed on a read-only store\r\n"));
    EXPECT_EQ(StoredText(id), S("stored"));

    Main->ExitLockWaitMs = 100;
    Main->close();
    EXPECT_EQ(Snapshot(), before);
    ASSERT_EQ(Reports.size(), 1);
    EXPECT_TRUE(Reports.first().contains(S("・typed on a read-only store"))) << qPrintable(Reports.first());
}

TEST_F(StoreUnwritable, FolderWithoutWriteAccessLosesNoRow)
{
    const qint64 id = AddOpenNote(S("stored"));
    QFile::setPermissions(DbPath(), QFile::Permissions(0x6666));
    QFile::setPermissions(Dir.path(), QFile::Permissions(0x5555));
    TUnprivilegedFiles unprivileged;
    if (TUnprivilegedFiles::CanCreateIn(Dir.path()))
        GTEST_SKIP() << "this user writes into folders without write access";

    const QStringList before = Snapshot();
    StartAndRestore();
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    TfrmDaviv* note = Main->NoteWindows.first();
    note->SetMemoText(S("typed without a journal"));
    PointerLeaves(note);
    note->move(note->x() + 5, note->y());
    QCoreApplication::processEvents();
    EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
    EXPECT_EQ(StoredText(id), S("stored"));

    Main->ExitLockWaitMs = 100;
    Main->close();
    EXPECT_EQ(Snapshot(), before);
    ASSERT_EQ(Reports.size(), 1);
    EXPECT_TRUE(Reports.first().contains(S("・typed without a journal"))) << qPrintable(Reports.first());
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::Files) == QStringList{QString::fromLatin1(StoreFileName)});
}

// --- The store file is not a database, or only part of one ---

TEST_F(StoreDamaged, FileThatIsNotADatabaseIsNeverWritten)
{
    AddOpenNote(S("stored"));
    StartAndRestore();
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char(i * 7 + 3);
    {
        QFile file(DbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("This is somebody's text file, not a database.\n" + garbage);
    }
    const auto contents = [this] {
        QFile file(DbPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray kept = contents();

    TfrmDaviv* note = Main->NoteWindows.first();
    note->SetMemoText(S("typed after the file was replaced"));
    PointerLeaves(note);
    EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
    EXPECT_EQ(note->MemoText(), S("typed after the file was replaced\r\n"));

    EXPECT_EQ(note->SaveState(), TSaveState::Failed);
    EXPECT_TRUE(note->SaveError().contains(S("not a database"))) << qPrintable(note->SaveError());

    // A restore on such a file is reported once, without a box, not a crash.
    Main->FirstTick = true;
    QSignalSpy notified(Main.get(), &TfrmMain::Notified);
    for (int i = 0; i < 2 * TfrmMain::RetryTicks; ++i)
        Main->Timer1Timer();
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(Reports.isEmpty());
    auto list = std::make_unique<TfrmList>(Desktop, Store);
    list->show();
    EXPECT_EQ(Reports.size(), 1);
    list.reset();

    Main->ExitLockWaitMs = 100;
    Reports.clear();
    Main->close();
    EXPECT_EQ(contents(), kept);
    ASSERT_EQ(Reports.size(), 1);
    EXPECT_TRUE(Reports.first().contains(S("・typed after the file was replaced"))) << qPrintable(Reports.first());
}

TEST_F(StoreDamaged, TruncatedDatabaseIsReportedAndItsRestPagesKept)
{
    // Enough rows for several pages, so that a cut leaves the header and loses rows.
    Exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 200) "
         "insert into m_daviv select '2011/08/26', 'note number ' || i || ' with some text to fill the page', "
         "10, 20, 271, 71, -1, -1, 65408, 200 from n");
    QFile file(DbPath());
    const qint64 size = file.size();
    ASSERT_GT(size, 8192);
    ASSERT_TRUE(file.resize(size / 2));
    const auto contents = [this] {
        QFile f(DbPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray kept = contents();

    Main = std::make_unique<TfrmMain>(Desktop, Store);
    Main->Timer1()->stop();
    frmMain = Main.get();
    QSignalSpy notified(Main.get(), &TfrmMain::Notified);
    Main->Timer1Timer();
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(Main->NoteWindows.isEmpty());
    TfrmList list(Desktop, Store);
    list.show();
    EXPECT_FALSE(Reports.isEmpty());
    Main->close();
    EXPECT_EQ(contents(), kept);
}

TEST_F(StoreDamaged, DamagedPagesAreToldOnceNamingTheNewestSoundBackupAndCopiedBeforeTheNextWrite)
{
    const auto contents = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    AddEndedNotes(200);
    const qint64 id = AddOpenNote(S("open"));
    const QDir backups(Dir.filePath(QStringLiteral("backup")));
    ASSERT_TRUE(TStoreBackup(DbPath(), backups.filePath(BackupFileName(QDate(2026, 12, 6)))).Step(-1));
    DamageNotesPage(DbPath());
    // A copy of the damaged store, as the program made them before it checked.
    ASSERT_TRUE(QFile::copy(DbPath(), backups.filePath(BackupFileName(QDate(2026, 12, 7)))));
    const QByteArray damaged = contents(DbPath());

    Main = std::make_unique<TfrmMain>(Desktop, Store);
    Main->Timer1()->stop();
    frmMain = Main.get();
    QSignalSpy notified(Main.get(), &TfrmMain::Notified);
    Main->Timer1Timer();
    ASSERT_EQ(notified.count(), 1);
    const QString notice = notified.first().first().toString();
    EXPECT_TRUE(notice.contains(S("2026/12/06"))) << qPrintable(notice);
    EXPECT_FALSE(notice.contains(S("2026/12/07"))) << qPrintable(notice);
    EXPECT_FALSE(notice.contains(S("*** in database"))) << "the problem itself, not the check's heading";
    const QStringList copies = QDir(Dir.path()).entryList({QStringLiteral("zu_daviv-damaged-*.db")}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(contents(Dir.filePath(copies.first())), damaged);
    // A later start on the same damage keeps no second copy.
    StoreRecovery again(DbPath());
    ASSERT_TRUE(again.checkStore(Desktop.Now().addSecs(60)));
    EXPECT_EQ(QDir(Dir.path()).entryList({QStringLiteral("zu_daviv-damaged-*.db")}, QDir::Files), copies);

    // The notes are still saved; a minute at rest copies nothing and tells nothing more.
    ASSERT_EQ(Main->NoteWindows.size(), 1);
    Main->NoteWindows.first()->SetMemoText(S("typed on the damaged store"));
    PointerLeaves(Main->NoteWindows.first());
    EXPECT_EQ(StoredText(id), S("typed on the damaged store\r\n"));
    for (int i = 0; i < 3; ++i) {
        Desktop.Clock = Desktop.Clock.addSecs(61);
        Main->Timer1Timer();
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(backups.filePath(BackupFileName(Desktop.Today()))));
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
}

// --- What the store interface hands back ---

using StoreErrors = TFaultFixture;

TEST_F(StoreErrors, SaveFailuresCarrySQLitesOwnErrorAndChangeNothing)
{
    const qint64 id = AddOpenNote(S("stored"));
    const std::optional<TStoredNote> stored = Store.Note(qint32(id));
    ASSERT_TRUE(stored);
    TNoteValues values;
    values.Date = S("2011/08/26");
    values.Text = QString(20000, QLatin1Char('x'));
    values.Id = qint32(id);
    const struct {
        const char* Name;
        int Code;
        const char* Detail;
        std::function<void()> Break;
    } cases[] = {
        {"full disk", SQLITE_FULL, "database or disk is full",
         [&] {
             Store.OnOpen = [](sqlite3* db) {
                 sqlite3_exec(db, "PRAGMA max_page_count = 3", nullptr, nullptr, nullptr);
             };
         }},
        {"locked", SQLITE_BUSY, "database is locked", [] {}},
        {"not a database", SQLITE_NOTADB, "file is not a database",
         [&] {
             QFile file(DbPath());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
             file.write(QByteArray(4096, 'z'));
         }},
    };
    for (const auto& c : cases) {
        const QByteArray kept = [&] {
            QFile file(DbPath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        c.Break();
        std::optional<TLockHolder> lock;
        if (c.Code == SQLITE_BUSY)
            lock.emplace(DbPath(), "BEGIN EXCLUSIVE");
        try {
            Store.SaveNote(values, stored->Image);
            ADD_FAILURE() << c.Name << ": the save went through";
        } catch (const ESQLiteException& e) {
            EXPECT_EQ(e.Code(), c.Code) << c.Name << ": " << e.what();
            EXPECT_EQ(e.Detail(), S(c.Detail)) << c.Name;
            EXPECT_TRUE(StoreFailureText(e, Store.FilePath()).contains(QDir::toNativeSeparators(DbPath())));
        }
        lock.reset();
        Store.OnOpen = nullptr;
        if (c.Code != SQLITE_NOTADB) {
            EXPECT_EQ(StoredText(id), S("stored")) << c.Name;
        }
        QFile file(DbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(kept);
    }
}

TEST_F(StoreErrors, ANoteNeverWritesARowThatIsNotItsOwn)
{
    const qint64 id = AddOpenNote(S("mine"));
    const TRowImage known = Store.Note(qint32(id))->Image;
    TNoteValues values;
    values.Date = S("2011/08/26");
    values.Text = S("typed later");
    values.Id = qint32(id);

    // Another note's values in the row (the file was replaced): a new row, the other kept.
    Exec("update m_daviv set note = 'someone else' where rowid = " + QByteArray::number(id));
    const QStringList others = Snapshot();
    const TNoteSaveResult taken = Store.SaveNote(values, known);
    EXPECT_EQ(taken.Way, TNoteSaveResult::AddedTaken);
    EXPECT_NE(taken.Id, id);
    EXPECT_EQ(SnapshotExcept(taken.Id), others);
    EXPECT_EQ(StoredText(taken.Id), S("typed later"));

    // Its own row, as it last wrote it: updated in place.
    values.Id = taken.Id;
    values.Text = S("and again");
    const TNoteSaveResult own = Store.SaveNote(values, taken.Image);
    EXPECT_EQ(own.Way, TNoteSaveResult::Updated);
    EXPECT_EQ(StoredText(taken.Id), S("and again"));

    // The row gone, or the whole file gone: stored anew, tables and all.
    Exec("delete from m_daviv where rowid = " + QByteArray::number(taken.Id));
    EXPECT_EQ(Store.SaveNote(values, own.Image).Way, TNoteSaveResult::AddedMissing);
    QFile::remove(DbPath());
    const TNoteSaveResult fresh = Store.SaveNote(values, own.Image);
    EXPECT_EQ(fresh.Way, TNoteSaveResult::AddedMissing);
    EXPECT_EQ(StoredText(fresh.Id), S("and again"));
    EXPECT_EQ(Query("select name from sqlite_master where type = 'table'")->RowCount(), 2u);
}
