#include "StoreFixture.h"

#include "store/Backup.h"
#include "store/StoreHealth.h"
#include "store/StoreRecovery.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace {

QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

class AccessLayer : public TStoreFixture {
protected:
    AccessLayer()
    {
        Db = std::make_unique<TSQLiteDatabase>(DbPath().toUtf8());
        Db->RunStatement("create table t ([i] INT, [b] BLOB, [n] INTEGER, [f] REAL, [d] DATE, [o] BOOLEAN)");
    }
    std::unique_ptr<TSQLiteDatabase> Db;
};

} // namespace

TEST_F(AccessLayer, EmptyResultHasNoColumnsAndReportsEndOfData)
{
    auto table = Db->RunQuery("select i from t");
    EXPECT_EQ(table->RowCount(), 0u);
    EXPECT_EQ(table->ColumnCount(), 0);
    EXPECT_TRUE(table->AtEnd());
    EXPECT_FALSE(table->GoFirst());
    EXPECT_FALSE(table->GoLast());
    EXPECT_EQ(MessageOf([&] { table->ValueText("i"); }), QStringLiteral("Field i Not found. Empty dataset"));
    EXPECT_EQ(MessageOf([&] { table->ValueText(0); }), QStringLiteral("Table is at End of File"));
}

TEST_F(AccessLayer, ValuesReadByTheirColumnKinds)
{
    Db->RunStatement("insert into t values (42, x'6162', 7, 1.5, '2011/08/26', 1)");
    Db->RunStatement("insert into t values (NULL, '', NULL, NULL, NULL, NULL)");
    auto table = Db->RunQuery("select i, b, n, f, d, o, 1+1 as e from t");
    EXPECT_EQ(table->ColumnKinds(), (QList<int>{3, 4, 1, 2, 3, 1, 1}));
    EXPECT_EQ(table->ColumnNames(), (QList<QByteArray>{"I", "B", "N", "F", "D", "O", "E"}));
    EXPECT_EQ(table->ValueText("i"), "42");
    EXPECT_EQ(table->ValueText("B"), "ab");
    EXPECT_EQ(table->ValueText("n"), "7");
    EXPECT_EQ(table->ValueText("f"), "1.5");
    EXPECT_EQ(table->ValueInteger(3), 1);
    EXPECT_EQ(table->ValueText("e"), "2");
    EXPECT_EQ(MessageOf([&] { table->ValueInteger(0); }), QStringLiteral("Not an integer or numeric field"));
    EXPECT_EQ(MessageOf([&] { table->ValueStream(0); }), QStringLiteral("Not a Blob field 3"));
    ASSERT_TRUE(table->GoNext());
    // NULL reads as empty text in text and blob columns, as 0 in numeric ones.
    EXPECT_EQ(table->ValueText("i"), "");
    EXPECT_EQ(table->ValueText("b"), "");
    EXPECT_EQ(table->ValueStream(1), nullptr);
    EXPECT_EQ(table->ValueText("n"), "0");
    EXPECT_EQ(table->ValueText("f"), "0");
    EXPECT_TRUE(table->GoNext());
    EXPECT_TRUE(table->AtEnd());
    EXPECT_FALSE(table->GoNext());
    EXPECT_EQ(MessageOf([&] { table->ValueText("i"); }), QStringLiteral("Table is at End of File"));
    EXPECT_EQ(MessageOf([&] { table->ColumnIndex("zz"); }), QStringLiteral("Field not found in dataset: zz"));
}

TEST_F(AccessLayer, BlobKeepsZeroBytesAndTextStopsAtThem)
{
    Db->RunStatement("insert into t (b, d) values (x'610062', 'a' || char(0) || 'b')");
    auto table = Db->RunQuery("select b, d from t");
    EXPECT_EQ(table->ValueText("b"), QByteArray("a\0b", 3));
    EXPECT_EQ(table->ValueText("d"), "a");
}

TEST_F(AccessLayer, ColumnNamesMatchWithoutRegardToCase)
{
    TSQLiteDo store(Dir.path());
    store.PrepareStore(QString::fromLatin1(StoreFileName));
    Db->RunStatement("insert into m_icom_message values ('12:00:00', 'x', '2026/12/08')");
    auto table = Db->RunQuery(StmtMessages);
    EXPECT_EQ(table->ValueText("iTime"), "12:00:00");
    EXPECT_EQ(table->ValueText("ROWID"), "1");
}

TEST_F(AccessLayer, StatementErrorsCarryCodeTextAndStatement)
{
    EXPECT_EQ(MessageOf([&] { Db->RunStatement("select i from t"); }), QStringLiteral("<no error>"));
    Db->RunStatement("insert into t (i) values (1)");
    // A row is no error code of its own, so the message stands alone.
    EXPECT_EQ(MessageOf([&] { Db->RunStatement("select i from t"); }), QStringLiteral("Error executing SQL statement"));
    EXPECT_EQ(MessageOf([&] { Db->RunStatement("selec nothing"); }),
              QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r\"selec nothing\": "
                             "near \"selec\": syntax error"));
    EXPECT_EQ(MessageOf([&] { Db->RunStatement("-- only a comment"); }),
              QStringLiteral("Could not prepare SQL statement"));
    EXPECT_EQ(MessageOf([&] { Db->RunQuery("select * from missing"); }).left(40),
              QStringLiteral("Error executing SQL.\rError [1]: SQL erro"));
}

TEST_F(AccessLayer, OnlyTheFirstOfTwoStatementsRuns)
{
    Db->RunStatement("insert into t (i) values (1); insert into t (i) values (2)");
    EXPECT_EQ(Db->RunQuery("select i from t")->RowCount(), 1u);
}

TEST_F(AccessLayer, TransactionsNestNeverAndRollBackOnClose)
{
    Db->StartTransaction();
    EXPECT_EQ(MessageOf([&] { Db->StartTransaction(); }), QStringLiteral("Transaction already open"));
    EXPECT_TRUE(Db->InTransaction());
    Db->RunStatement("insert into t (i) values (1)");
    Db.reset();
    EXPECT_EQ(Query("select i from t")->RowCount(), 0u);
}

TEST_F(AccessLayer, LockHeldElsewhereFailsAtOnce)
{
    Db->RunStatement("insert into t (i) values (1)");
    TSQLiteDatabase other(DbPath().toUtf8());
    other.RunStatement("BEGIN EXCLUSIVE");
    EXPECT_EQ(MessageOf([&] { Db->RunQuery("select i from t"); }), QStringLiteral("Could not prepare SQL statement"));
    const QString write = MessageOf([&] { Db->RunStatement("insert into t (i) values (2)"); });
    EXPECT_TRUE(
        write.startsWith(QStringLiteral("Error executing SQL statement.\rError [5]: The database file is locked.\r\"")))
        << qPrintable(write);
    other.RunStatement("ROLLBACK");
}

TEST(SQLiteResultTexts, KnownAndUnknownCodes)
{
    EXPECT_EQ(SQLiteResultText(0), QStringLiteral("Successful result"));
    EXPECT_EQ(SQLiteResultText(19), QStringLiteral("Abort due to contraint violation"));
    EXPECT_EQ(SQLiteResultText(26), QStringLiteral("File opened that is not a database file"));
    EXPECT_EQ(SQLiteResultText(101), QStringLiteral("sqlite3_step() has finished executing"));
    for (int code : {27, 99, 102, -1})
        EXPECT_EQ(SQLiteResultText(code), QStringLiteral("Unknown SQLite Error Code \"%1\"").arg(code));
}

TEST_F(TStoreFixture, OpenFailureNamesTheFile)
{
    const QByteArray path = Dir.filePath(QStringLiteral("missing/folder/x.db")).toUtf8();
    EXPECT_EQ(
        MessageOf([&] { TSQLiteDatabase db(path); }),
        QStringLiteral("Failed to open database \"%1\" : unable to open database file").arg(QString::fromUtf8(path)));
}

// --- The store ---

using StoreFile = TStoreFixture;

TEST_F(StoreFile, PrepareCreatesBothTablesExactlyOnce)
{
    Prepare();
    EXPECT_TRUE(QFile::exists(DbPath()));
    // SQLite keeps the statement as given except for its leading "CREATE TABLE".
    QStringList created = Column("select sql from sqlite_master order by name", "sql");
    for (QString& sql : created)
        sql.replace(0, 12, QStringLiteral("Create table"));
    EXPECT_EQ(created, (QStringList{QString::fromLatin1(StmtCreateNotes), QString::fromLatin1(StmtCreateMessages)}));
    Prepare();
    EXPECT_EQ(Query("select name from sqlite_master")->RowCount(), 2u);
}

TEST_F(StoreFile, PrepareAddsOnlyTheMissingTableAndIgnoresCase)
{
    Exec("create table M_DAVIV (x)");
    Exec("insert into M_DAVIV values (5)");
    Prepare();
    EXPECT_EQ(Column("select name from sqlite_master order by name", "name"),
              (QStringList{QStringLiteral("M_DAVIV"), QStringLiteral("m_icom_message")}));
    EXPECT_EQ(Column("select x from M_DAVIV", "x"), QStringList{QStringLiteral("5")});
}

TEST_F(StoreFile, AddNoteInsertsDateOnlyAndReusesTheHighestDeletedId)
{
    Prepare();
    TSQLiteDo store(Dir.path());
    store.OpenStore(QString::fromLatin1(StoreFileName));
    EXPECT_EQ(store.AddNote(QDate(2026, 1, 5)), 1);
    EXPECT_EQ(store.AddNote(QDate(2026, 1, 5)), 2);
    store.ExecuteInTransaction(StmtDeleteNote(2));
    EXPECT_EQ(store.AddNote(QDate(2026, 1, 5)), 2);
    store.CloseStore();
    auto table = Query(StmtNoteById(1));
    EXPECT_EQ(table->ValueText("f_day"), "2026/01/05");
    for (const char* column : {"note", "xpos", "width", "term", "visible", "color", "alpha"})
        EXPECT_EQ(table->ValueText(column), "") << column;
    EXPECT_EQ(Query(StmtOpenNotes)->RowCount(), 0u);
}

TEST_F(StoreFile, AddNoteRaisesInsteadOfReturningAnExistingId)
{
    Prepare();
    TSQLiteDo store(Dir.path());
    store.OpenStore(QString::fromLatin1(StoreFileName));
    store.AddNote(QDate(2026, 1, 5));
    TSQLiteDatabase other(DbPath().toUtf8());
    other.RunStatement("BEGIN EXCLUSIVE");
    EXPECT_THROW(store.AddNote(QDate(2026, 1, 5)), ESQLiteException);
    other.RunStatement("ROLLBACK");
    EXPECT_EQ(Query(StmtNoteRowids)->RowCount(), 1u);
}

TEST_F(StoreFile, FailedWriteRollsBackSilently)
{
    Prepare();
    TSQLiteDo store(Dir.path());
    store.OpenStore(QString::fromLatin1(StoreFileName));
    store.AddNote(QDate(2026, 1, 5));
    store.ExecuteInTransaction("update m_daviv set nosuchcolumn = 1");
    EXPECT_FALSE(store.Database->InTransaction());
    EXPECT_TRUE(store.TryExecuteInTransaction("update nosuch set a = 1").has_value());
    EXPECT_FALSE(store.TryExecuteInTransaction(StmtReopenNote(1)).has_value());
    store.CloseStore();
    EXPECT_EQ(Column(StmtNoteList, "term"), QStringList{QStringLiteral("-1")});
}

TEST(Statements, ComposedByteForByte)
{
    TNoteValues note;
    note.Date = QStringLiteral("2011/08/26");
    note.Text = QStringLiteral("it's\r\n");
    note.X = -5;
    note.Y = 10;
    note.Width = 271;
    note.Height = 71;
    note.Term = true;
    note.Color = 16777215;
    note.Alpha = 200;
    note.Id = 3;
    EXPECT_EQ(StmtSaveNote(note),
              "update m_daviv set f_day = '2011/08/26', note = 'it''s\r\n', xpos = -5, ypos = 10, width = 271, "
              "height = 71, term = -1, visible = -1, color = 16777215, alpha = 200 where rowid = 3;");
    note.Term = false;
    note.Color = 0xFFFFFFFF;
    EXPECT_EQ(StmtEndNote(note), "update m_daviv set term = 0,note = 'it''s\r\n', xpos = -5, ypos = 10, width = 271, "
                                 "height = 71, term = 0, visible = -1, color = -1, alpha = 200 where rowid = 3;");
    EXPECT_EQ(StmtAddNote(QDate(2026, 3, 4)), "insert into m_daviv ('f_day') values ('2026/03/04');");
    EXPECT_EQ(StmtNoteById(7), "select rowid, f_day, note, xpos, ypos, width, height, term, visible, color, alpha "
                               "from m_daviv where rowid = 7;");
    EXPECT_EQ(StmtReopenNote(7), "update m_daviv set term = -1 where rowid = 7;");
    EXPECT_EQ(StmtDeleteNote(7), "delete from m_daviv where rowid = 7;");
    EXPECT_EQ(StmtAddMessage(QStringLiteral("9:05:00"), QStringLiteral("a'b"), QStringLiteral("2026/12/08")),
              "insert into m_icom_message (itime, message, iday) values ('9:05:00','a''b','2026/12/08')");
    EXPECT_EQ(StmtUpdateMessage(QStringLiteral("9:05:00"), QStringLiteral("m"), QStringLiteral("2026/12/08"), 4),
              "update m_icom_message set itime = '9:05:00', message = 'm',iday = '2026/12/08' where rowid = 4");
    EXPECT_EQ(StmtDeleteMessage(4), "delete from m_icom_message where rowid = 4");
}

TEST_F(StoreFile, TextValuesRoundTripExactly)
{
    Prepare();
    const QString texts[] = {
        QStringLiteral("日本語のメモ\r\n二行目\r\n"),
        QStringLiteral("ｶﾀｶﾅ ①～髙 表ソ能\\"),
        QStringLiteral("'); drop table m_daviv; --"),
        QStringLiteral("emoji 😀 é 𠮷 한국어"),
        QStringLiteral("mixed ① and 😀"),
        QString(),
    };
    TSQLiteDo store(Dir.path());
    store.OpenStore(QString::fromLatin1(StoreFileName));
    for (const QString& text : texts) {
        const qint32 id = store.AddNote(QDate(2026, 1, 1));
        TNoteValues note;
        note.Date = QStringLiteral("2026/01/01");
        note.Text = text;
        note.Id = id;
        store.ExecuteInTransaction(StmtSaveNote(note));
        auto table = store.Database->RunQuery(StmtNoteById(id));
        EXPECT_EQ(DecodeStoreText(table->ValueText("note")), text) << qPrintable(text);
    }
    EXPECT_EQ(store.Database->RunQuery(StmtNoteRowids)->RowCount(), std::size(texts));
}

TEST_F(StoreFile, NulCharactersNeverCutAStatement)
{
    const QString text = QStringLiteral("before") + QChar(0) + QStringLiteral("after");
    EXPECT_EQ(SqlTextLiteral(text), "'beforeafter'");
}

// --- Backups ---

namespace {

// A copy in a rotation case: its age in days (negative: dated after today, the clock was wrong).
struct AgedCopy {
    int age;
    bool sound = true;
    bool keptBeforeRestore = false;
};

QList<AgedCopy> Days(int from, int to, bool sound = true)
{
    QList<AgedCopy> copies;
    for (int age = from; age < to; ++age)
        copies.append({age, sound});
    return copies;
}

QList<int> Ages(int from, int to)
{
    QList<int> ages;
    for (int age = from; age < to; ++age)
        ages << age;
    return ages;
}

struct RotationCase {
    const char* what;
    QList<AgedCopy> copies;
    QList<int> removed;
};

void PrintTo(const RotationCase& c, std::ostream* os)
{
    *os << c.what;
}

// Today, 2026-12-09, is a Wednesday: of forty daily copies, the seven days down to 12/03 stay, and
// of the weeks before, 12/02, 11/29, 11/22 and 11/15.
const QList<int> BeyondSevenDaysAndFourWeeks = Ages(8, 10) + Ages(11, 17) + Ages(18, 24) + Ages(25, 40);

const RotationCase RotationCases[] = {
    {"seven days all stay", Days(0, 7), {}},
    {"seven days and four weeks stay", Days(0, 40), BeyondSevenDaysAndFourWeeks},
    {"copies of a damaged store never push out the last sound one", Days(0, 11, false) + Days(11, 12), {8, 9}},
    {"a copy from the future takes a free slot", QList<AgedCopy>{{-30}} + Days(0, 4), {}},
    {"copies from the future give way once the slots are full", QList<AgedCopy>{{-30}, {-29}} + Days(0, 40),
     QList<int>{-30, -29} + BeyondSevenDaysAndFourWeeks},
    {"the one sound copy stays, even from the future", QList<AgedCopy>{{-30}} + Days(0, 40, false),
     BeyondSevenDaysAndFourWeeks},
    {"the store kept before a restore stays with the day's copies", QList<AgedCopy>{{0, true, true}} + Days(0, 40),
     BeyondSevenDaysAndFourWeeks},
};

class BackupRotation : public ::testing::TestWithParam<RotationCase> {};

} // namespace

TEST_P(BackupRotation, KeepsTheNewestDaysWeeksAndSoundCopy)
{
    const QDate today(2026, 12, 9);
    QList<BackupCopy> copies;
    QSet<QString> sound;
    for (const AgedCopy& aged : GetParam().copies) {
        const QDate day = today.addDays(-aged.age);
        const QString name =
            aged.keptBeforeRestore ? KeptStoreFileName(QDateTime(day, QTime(10, 30))) : BackupFileName(day);
        copies << *BackupCopyOf(name);
        if (aged.sound)
            sound.insert(name);
    }
    QList<int> removed;
    for (const QString& name :
         BackupsToRemove(copies, today, [&](const BackupCopy& copy) { return sound.contains(copy.fileName); }))
        removed << int(BackupCopyOf(name)->day.daysTo(today));
    QList<int> expected = GetParam().removed;
    std::sort(removed.begin(), removed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
}

INSTANTIATE_TEST_SUITE_P(Backups, BackupRotation, ::testing::ValuesIn(RotationCases));

TEST(Backups, FileNamesTellTheCopies)
{
    EXPECT_EQ(BackupCopyOf(BackupFileName(QDate(2026, 1, 2)))->day, QDate(2026, 1, 2));
    EXPECT_FALSE(BackupCopyOf(QStringLiteral("zu_daviv-20261302.db")));
    const std::optional<BackupCopy> kept = BackupCopyOf(KeptStoreFileName(QDateTime(QDate(2026, 1, 2), QTime(9, 5))));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->keptBeforeRestore);
    EXPECT_EQ(kept->time, QTime(9, 5));
    EXPECT_FALSE(BackupCopyOf(QStringLiteral("zu_daviv-damaged-20260102-090500.db")));
}

TEST_F(StoreFile, BackupIsAWholeStoreEvenWhenTheStoreChangesMidway)
{
    Prepare();
    for (int i = 0; i < 300; ++i)
        Exec("insert into m_daviv (f_day, note) values ('2026/12/09', '" + QByteArray(400, 'n') + "')");
    const QString copy = Dir.filePath(QStringLiteral("backup/zu_daviv-20261209.db"));
    {
        TStoreBackup backup(DbPath(), copy);
        EXPECT_FALSE(backup.Step(2));
        Exec("insert into m_daviv (f_day, note) values ('2026/12/09', 'written during the backup')");
        while (!backup.Step(2)) {
        }
    }
    EXPECT_FALSE(QFile::exists(copy + QStringLiteral(".part")));
    TSQLiteDatabase db(copy.toUtf8());
    EXPECT_EQ(db.RunQuery("select count(*) as n from m_daviv")->ValueText("n"), "301");
    EXPECT_EQ(db.RunQuery("select note from m_daviv where rowid = 301")->ValueText("note"),
              "written during the backup");
    const QList<BackupCopy> copies = BackupCopies(Dir.filePath(QStringLiteral("backup")));
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(copies.first().day, QDate(2026, 12, 9));
}

TEST_F(StoreFile, AFailedBackupSaysWhy)
{
    const QString copy = Dir.filePath(QStringLiteral("backup/zu_daviv-20261209.db"));
    const auto reasonOf = [&] {
        try {
            TStoreBackup backup(DbPath(), copy);
            backup.Step(-1);
        } catch (const ESQLiteException& e) {
            return e.Reason();
        }
        return QStringLiteral("<no error>");
    };
    {
        QFile file(DbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    EXPECT_EQ(reasonOf(), QStringLiteral("file is not a database"));

    // A folder where the copy's name should go: the file system's own reason.
    QFile::remove(DbPath());
    Prepare();
    ASSERT_TRUE(QDir().mkpath(copy + QStringLiteral("/in the way")));
    const QString reason = reasonOf();
    EXPECT_NE(reason, QStringLiteral("<no error>"));
    EXPECT_NE(reason, QStringLiteral("not an error"));
    EXPECT_FALSE(reason.isEmpty());
}

TEST_F(StoreFile, GoingBackToABackupKeepsTheStoreAndOutlastsALeftoverJournal)
{
    Prepare();
    Exec("insert into m_daviv (f_day, note, term) values ('2026/12/07', 'in the backup', -1)");
    const QString backup = Dir.filePath(QStringLiteral("backup/") + BackupFileName(QDate(2026, 12, 7)));
    ASSERT_TRUE(TStoreBackup(DbPath(), backup).Step(-1));
    Exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 300) "
         "insert into m_daviv (f_day, note, term) select '2026/12/08', hex(randomblob(200)), -1 from n");
    // A crash in the middle of a write leaves its journal beside the store: here the two files as
    // they were with a large change under way, put back once it is rolled back.
    {
        TSQLiteDatabase db(DbPath().toUtf8());
        db.RunStatement("pragma cache_size = 5");
        db.StartTransaction();
        db.RunStatement("update m_daviv set note = 'before the crash'");
        ASSERT_TRUE(QFile::copy(DbPath(), DbPath() + QStringLiteral(".crashed")));
        ASSERT_TRUE(QFile::copy(DbPath() + QStringLiteral("-journal"), DbPath() + QStringLiteral(".journal")));
        db.RollbackTransaction();
    }
    ASSERT_TRUE(QFile::remove(DbPath()));
    ASSERT_TRUE(QFile::rename(DbPath() + QStringLiteral(".crashed"), DbPath()));
    ASSERT_TRUE(QFile::rename(DbPath() + QStringLiteral(".journal"), DbPath() + QStringLiteral("-journal")));
    {
        QFile crashed(DbPath());
        ASSERT_TRUE(crashed.open(QIODevice::ReadOnly));
        ASSERT_TRUE(crashed.readAll().contains("before the crash")) << "the change must have reached the store";
    }

    StoreRecovery recovery(DbPath());
    const QString kept = recovery.restore(backup, QDateTime(QDate(2026, 12, 8), QTime(10, 30)));
    EXPECT_EQ(Column("select note from m_daviv", "note"), QStringList{QStringLiteral("in the backup")});
    EXPECT_TRUE(StoreHealth::of(DbPath()).isSound());
    // The store as it was, its unfinished write rolled back, is a copy to go back to.
    const QList<BackupEntry> entries = recovery.backups();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].path, kept);
    EXPECT_TRUE(entries[0].copy.keptBeforeRestore);
    EXPECT_TRUE(entries[0].sound);
    EXPECT_EQ(entries[0].notes, 301);
    TSQLiteDatabase keptCopy(kept.toUtf8());
    EXPECT_EQ(keptCopy.RunQuery("select count(*) as n from m_daviv where note = 'before the crash'")->ValueText("n"),
              "0");
    EXPECT_EQ(entries[1].path, backup);
    EXPECT_EQ(entries[1].notes, 1);
}

TEST_F(StoreFile, ARemovedNoteComesBackExactlyUnderItsOldIdOrANewOne)
{
    Prepare();
    Exec("insert into m_daviv values ('2026/12/01', x'93fa967b', 10, 20, 271, 71, -1, -1, 65535, 200)");
    Exec("insert into m_daviv values ('2026/12/02', 'second', 10.5, '20', 271, 71, 0, -1, 65535, 125)");
    const QString both = "select rowid, typeof(note), hex(note), typeof(xpos), xpos, typeof(ypos), ypos, term, "
                         "alpha from m_daviv order by rowid";
    const auto rows = [&] {
        QStringList all;
        auto table = Query(both.toUtf8());
        for (table->GoFirst(); !table->AtEnd(); table->GoNext())
            for (int i = 0; i < table->ColumnCount(); ++i)
                all << QString::fromUtf8(table->ValueText(i));
        return all;
    };
    const QStringList before = rows();
    Store.RemoveNote(2);
    EXPECT_EQ(Store.RestoreRemovedNote(2), 2);
    EXPECT_EQ(rows(), before);

    // Another note took the id meanwhile: the removed one comes back under a new id.
    Store.RemoveNote(2);
    EXPECT_EQ(Store.AddNote(QDate(2026, 12, 9)).Id, 2);
    EXPECT_EQ(Store.RestoreRemovedNote(2), 3);
    EXPECT_EQ(Column("select note from m_daviv where rowid = 3", "note"), QStringList{QStringLiteral("second")});
    Store.ForgetRemovedNotes();
    EXPECT_EQ(Query("select count(*) as n from zu_note_removed")->ValueText("n"), "0");
}

TEST_F(StoreFile, NotesRemovedInAnEarlierRunAreDroppedAtStart)
{
    Prepare();
    Exec("insert into m_daviv (f_day, note) values ('2026/12/01', 'removed for good')");
    Store.SaveNoteLook(1, {150, true});
    Store.RemoveNote(1);
    const auto kept = [this] { return Query("select count(*) as n from zu_note_removed")->ValueText("n"); };
    // A store that takes no write now keeps them for a later start; the start goes on.
    {
        TSQLiteDatabase other(DbPath().toUtf8());
        other.RunStatement("BEGIN IMMEDIATE");
        EXPECT_NO_THROW(Store.Prepare());
        other.RunStatement("ROLLBACK");
    }
    EXPECT_EQ(kept(), "1");
    Store.Prepare();
    EXPECT_EQ(kept(), "0");
    EXPECT_TRUE(Store.NoteLooks().empty());
}
