#include "StoreFixture.h"

#include "Backup.h"
#include "StoreHealth.h"
#include "StoreRecovery.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace {

QString messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

class AccessLayer : public StoreFixture {
protected:
    AccessLayer()
    {
        db = std::make_unique<SqliteDatabase>(dbPath().toUtf8());
        db->runStatement("create table t ([i] INT, [b] BLOB, [n] INTEGER, [f] REAL, [d] DATE, [o] BOOLEAN)");
    }
    std::unique_ptr<SqliteDatabase> db;
};

} // namespace

TEST_F(AccessLayer, EmptyResultHasNoColumnsAndReportsEndOfData)
{
    auto table = db->runQuery("select i from t");
    EXPECT_EQ(table->rowCount(), 0u);
    EXPECT_EQ(table->columnCount(), 0);
    EXPECT_TRUE(table->atEnd());
    EXPECT_FALSE(table->goFirst());
    EXPECT_FALSE(table->goLast());
    EXPECT_EQ(messageOf([&] { table->valueText("i"); }), QStringLiteral("Field i Not found. Empty dataset"));
    EXPECT_EQ(messageOf([&] { table->valueText(0); }), QStringLiteral("Table is at End of File"));
}

TEST_F(AccessLayer, ValuesReadByTheirColumnKinds)
{
    db->runStatement("insert into t values (42, x'6162', 7, 1.5, '2011/08/26', 1)");
    db->runStatement("insert into t values (NULL, '', NULL, NULL, NULL, NULL)");
    auto table = db->runQuery("select i, b, n, f, d, o, 1+1 as e from t");
    EXPECT_EQ(table->columnKinds(), (QList<int>{3, 4, 1, 2, 3, 1, 1}));
    EXPECT_EQ(table->columnNames(), (QList<QByteArray>{"I", "B", "N", "F", "D", "O", "E"}));
    EXPECT_EQ(table->valueText("i"), "42");
    EXPECT_EQ(table->valueText("B"), "ab");
    EXPECT_EQ(table->valueText("n"), "7");
    EXPECT_EQ(table->valueText("f"), "1.5");
    EXPECT_EQ(table->valueInteger(3), 1);
    EXPECT_EQ(table->valueText("e"), "2");
    EXPECT_EQ(messageOf([&] { table->valueInteger(0); }), QStringLiteral("Not an integer or numeric field"));
    EXPECT_EQ(messageOf([&] { table->valueStream(0); }), QStringLiteral("Not a Blob field 3"));
    ASSERT_TRUE(table->goNext());
    // NULL reads as empty text in text and blob columns, as 0 in numeric ones.
    EXPECT_EQ(table->valueText("i"), "");
    EXPECT_EQ(table->valueText("b"), "");
    EXPECT_EQ(table->valueStream(1), nullptr);
    EXPECT_EQ(table->valueText("n"), "0");
    EXPECT_EQ(table->valueText("f"), "0");
    EXPECT_TRUE(table->goNext());
    EXPECT_TRUE(table->atEnd());
    EXPECT_FALSE(table->goNext());
    EXPECT_EQ(messageOf([&] { table->valueText("i"); }), QStringLiteral("Table is at End of File"));
    EXPECT_EQ(messageOf([&] { table->columnIndex("zz"); }), QStringLiteral("Field not found in dataset: zz"));
}

TEST_F(AccessLayer, BlobKeepsZeroBytesAndTextStopsAtThem)
{
    db->runStatement("insert into t (b, d) values (x'610062', 'a' || char(0) || 'b')");
    auto table = db->runQuery("select b, d from t");
    EXPECT_EQ(table->valueText("b"), QByteArray("a\0b", 3));
    EXPECT_EQ(table->valueText("d"), "a");
}

TEST_F(AccessLayer, ColumnNamesMatchWithoutRegardToCase)
{
    StoreConnection store(dir.path());
    store.prepareStore(QString::fromLatin1(StoreFileName));
    db->runStatement("insert into m_icom_message values ('12:00:00', 'x', '2026/12/08')");
    auto table = db->runQuery(StmtMessages);
    EXPECT_EQ(table->valueText("iTime"), "12:00:00");
    EXPECT_EQ(table->valueText("ROWID"), "1");
}

TEST_F(AccessLayer, StatementErrorsCarryCodeTextAndStatement)
{
    EXPECT_EQ(messageOf([&] { db->runStatement("select i from t"); }), QStringLiteral("<no error>"));
    db->runStatement("insert into t (i) values (1)");
    // A row is no error code of its own, so the message stands alone.
    EXPECT_EQ(messageOf([&] { db->runStatement("select i from t"); }), QStringLiteral("Error executing SQL statement"));
    EXPECT_EQ(messageOf([&] { db->runStatement("selec nothing"); }),
              QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r\"selec nothing\": "
                             "near \"selec\": syntax error"));
    EXPECT_EQ(messageOf([&] { db->runStatement("-- only a comment"); }),
              QStringLiteral("Could not prepare SQL statement"));
    EXPECT_EQ(messageOf([&] { db->runQuery("select * from missing"); }).left(40),
              QStringLiteral("Error executing SQL.\rError [1]: SQL erro"));
}

TEST_F(AccessLayer, OnlyTheFirstOfTwoStatementsRuns)
{
    db->runStatement("insert into t (i) values (1); insert into t (i) values (2)");
    EXPECT_EQ(db->runQuery("select i from t")->rowCount(), 1u);
}

TEST_F(AccessLayer, TransactionsNestNeverAndRollBackOnClose)
{
    db->startTransaction();
    EXPECT_EQ(messageOf([&] { db->startTransaction(); }), QStringLiteral("Transaction already open"));
    EXPECT_TRUE(db->inTransaction());
    db->runStatement("insert into t (i) values (1)");
    db.reset();
    EXPECT_EQ(query("select i from t")->rowCount(), 0u);
}

TEST_F(AccessLayer, LockHeldElsewhereFailsAtOnce)
{
    db->runStatement("insert into t (i) values (1)");
    SqliteDatabase other(dbPath().toUtf8());
    other.runStatement("BEGIN EXCLUSIVE");
    EXPECT_EQ(messageOf([&] { db->runQuery("select i from t"); }), QStringLiteral("Could not prepare SQL statement"));
    const QString write = messageOf([&] { db->runStatement("insert into t (i) values (2)"); });
    EXPECT_TRUE(
        write.startsWith(QStringLiteral("Error executing SQL statement.\rError [5]: The database file is locked.\r\"")))
        << qPrintable(write);
    other.runStatement("ROLLBACK");
}

TEST(SQLiteResultTexts, KnownAndUnknownCodes)
{
    EXPECT_EQ(sqLiteResultText(0), QStringLiteral("Successful result"));
    EXPECT_EQ(sqLiteResultText(19), QStringLiteral("Abort due to contraint violation"));
    EXPECT_EQ(sqLiteResultText(26), QStringLiteral("File opened that is not a database file"));
    EXPECT_EQ(sqLiteResultText(101), QStringLiteral("sqlite3_step() has finished executing"));
    for (int code : {27, 99, 102, -1})
        EXPECT_EQ(sqLiteResultText(code), QStringLiteral("Unknown SQLite Error Code \"%1\"").arg(code));
}

TEST_F(StoreFixture, OpenFailureNamesTheFile)
{
    const QByteArray path = dir.filePath(QStringLiteral("missing/folder/x.db")).toUtf8();
    EXPECT_EQ(
        messageOf([&] { SqliteDatabase db(path); }),
        QStringLiteral("Failed to open database \"%1\" : unable to open database file").arg(QString::fromUtf8(path)));
}

// --- The store ---

using StoreFile = StoreFixture;

TEST_F(StoreFile, PrepareCreatesBothTablesExactlyOnce)
{
    prepare();
    EXPECT_TRUE(QFile::exists(dbPath()));
    // SQLite keeps the statement as given except for its leading "CREATE TABLE".
    QStringList created = column("select sql from sqlite_master order by name", "sql");
    for (QString& sql : created)
        sql.replace(0, 12, QStringLiteral("Create table"));
    EXPECT_EQ(created, (QStringList{QString::fromLatin1(StmtCreateNotes), QString::fromLatin1(StmtCreateMessages)}));
    prepare();
    EXPECT_EQ(query("select name from sqlite_master")->rowCount(), 2u);
}

TEST_F(StoreFile, PrepareAddsOnlyTheMissingTableAndIgnoresCase)
{
    exec("create table M_DAVIV (x)");
    exec("insert into M_DAVIV values (5)");
    prepare();
    EXPECT_EQ(column("select name from sqlite_master order by name", "name"),
              (QStringList{QStringLiteral("M_DAVIV"), QStringLiteral("m_icom_message")}));
    EXPECT_EQ(column("select x from M_DAVIV", "x"), QStringList{QStringLiteral("5")});
}

TEST_F(StoreFile, AddNoteInsertsDateOnlyAndReusesTheHighestDeletedId)
{
    prepare();
    StoreConnection store(dir.path());
    store.openStore(QString::fromLatin1(StoreFileName));
    EXPECT_EQ(store.addNote(QDate(2026, 1, 5)), 1);
    EXPECT_EQ(store.addNote(QDate(2026, 1, 5)), 2);
    store.executeInTransaction(StmtDeleteNote(2));
    EXPECT_EQ(store.addNote(QDate(2026, 1, 5)), 2);
    store.closeStore();
    auto table = query(StmtNoteById(1));
    EXPECT_EQ(table->valueText("f_day"), "2026/01/05");
    for (const char* column : {"note", "xpos", "width", "term", "visible", "color", "alpha"})
        EXPECT_EQ(table->valueText(column), "") << column;
    EXPECT_EQ(query(StmtOpenNotes)->rowCount(), 0u);
}

TEST_F(StoreFile, AddNoteRaisesInsteadOfReturningAnExistingId)
{
    prepare();
    StoreConnection store(dir.path());
    store.openStore(QString::fromLatin1(StoreFileName));
    store.addNote(QDate(2026, 1, 5));
    SqliteDatabase other(dbPath().toUtf8());
    other.runStatement("BEGIN EXCLUSIVE");
    EXPECT_THROW(store.addNote(QDate(2026, 1, 5)), StoreError);
    other.runStatement("ROLLBACK");
    EXPECT_EQ(query(StmtNoteRowids)->rowCount(), 1u);
}

TEST_F(StoreFile, FailedWriteRollsBackSilently)
{
    prepare();
    StoreConnection store(dir.path());
    store.openStore(QString::fromLatin1(StoreFileName));
    store.addNote(QDate(2026, 1, 5));
    store.executeInTransaction("update m_daviv set nosuchcolumn = 1");
    EXPECT_FALSE(store.database->inTransaction());
    EXPECT_TRUE(store.tryExecuteInTransaction("update nosuch set a = 1").has_value());
    EXPECT_FALSE(store.tryExecuteInTransaction(StmtReopenNote(1)).has_value());
    store.closeStore();
    EXPECT_EQ(column(StmtNoteList, "term"), QStringList{QStringLiteral("-1")});
}

TEST(Statements, ComposedByteForByte)
{
    NoteValues note;
    note.date = QStringLiteral("2011/08/26");
    note.text = QStringLiteral("it's\r\n");
    note.x = -5;
    note.y = 10;
    note.width = 271;
    note.height = 71;
    note.term = true;
    note.color = 16777215;
    note.alpha = 200;
    note.id = 3;
    EXPECT_EQ(StmtSaveNote(note),
              "update m_daviv set f_day = '2011/08/26', note = 'it''s\r\n', xpos = -5, ypos = 10, width = 271, "
              "height = 71, term = -1, visible = -1, color = 16777215, alpha = 200 where rowid = 3;");
    note.term = false;
    note.color = 0xFFFFFFFF;
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
    prepare();
    const QString texts[] = {
        QStringLiteral("日本語のメモ\r\n二行目\r\n"),
        QStringLiteral("ｶﾀｶﾅ ①～髙 表ソ能\\"),
        QStringLiteral("'); drop table m_daviv; --"),
        QStringLiteral("emoji 😀 é 𠮷 한국어"),
        QStringLiteral("mixed ① and 😀"),
        QString(),
    };
    StoreConnection store(dir.path());
    store.openStore(QString::fromLatin1(StoreFileName));
    for (const QString& text : texts) {
        const qint32 id = store.addNote(QDate(2026, 1, 1));
        NoteValues note;
        note.date = QStringLiteral("2026/01/01");
        note.text = text;
        note.id = id;
        store.executeInTransaction(StmtSaveNote(note));
        auto table = store.database->runQuery(StmtNoteById(id));
        EXPECT_EQ(decodeStoreText(table->valueText("note")), text) << qPrintable(text);
    }
    EXPECT_EQ(store.database->runQuery(StmtNoteRowids)->rowCount(), std::size(texts));
}

TEST_F(StoreFile, NulCharactersNeverCutAStatement)
{
    const QString text = QStringLiteral("before") + QChar(0) + QStringLiteral("after");
    EXPECT_EQ(sqlTextLiteral(text), "'beforeafter'");
}

// --- Backups ---

namespace {

// A copy in a rotation case: its age in days (negative: dated after today, the clock was wrong).
struct AgedCopy {
    int age;
    bool sound = true;
    bool keptBeforeRestore = false;
};

QList<AgedCopy> days(int from, int to, bool sound = true)
{
    QList<AgedCopy> copies;
    for (int age = from; age < to; ++age)
        copies.append({age, sound});
    return copies;
}

QList<int> ages(int from, int to)
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
const QList<int> BeyondSevenDaysAndFourWeeks = ages(8, 10) + ages(11, 17) + ages(18, 24) + ages(25, 40);

const RotationCase RotationCases[] = {
    {"seven days all stay", days(0, 7), {}},
    {"seven days and four weeks stay", days(0, 40), BeyondSevenDaysAndFourWeeks},
    {"copies of a damaged store never push out the last sound one", days(0, 11, false) + days(11, 12), {8, 9}},
    {"a copy from the future takes a free slot", QList<AgedCopy>{{-30}} + days(0, 4), {}},
    {"copies from the future give way once the slots are full", QList<AgedCopy>{{-30}, {-29}} + days(0, 40),
     QList<int>{-30, -29} + BeyondSevenDaysAndFourWeeks},
    {"the one sound copy stays, even from the future", QList<AgedCopy>{{-30}} + days(0, 40, false),
     BeyondSevenDaysAndFourWeeks},
    {"the store kept before a restore stays with the day's copies", QList<AgedCopy>{{0, true, true}} + days(0, 40),
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
            aged.keptBeforeRestore ? keptStoreFileName(QDateTime(day, QTime(10, 30))) : backupFileName(day);
        copies << *backupCopyOf(name);
        if (aged.sound)
            sound.insert(name);
    }
    QList<int> removed;
    for (const QString& name :
         backupsToRemove(copies, today, [&](const BackupCopy& copy) { return sound.contains(copy.fileName); }))
        removed << int(backupCopyOf(name)->day.daysTo(today));
    QList<int> expected = GetParam().removed;
    std::sort(removed.begin(), removed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
}

INSTANTIATE_TEST_SUITE_P(Backups, BackupRotation, ::testing::ValuesIn(RotationCases));

TEST(Backups, FileNamesTellTheCopies)
{
    EXPECT_EQ(backupCopyOf(backupFileName(QDate(2026, 1, 2)))->day, QDate(2026, 1, 2));
    EXPECT_FALSE(backupCopyOf(QStringLiteral("zu_daviv-20261302.db")));
    const std::optional<BackupCopy> kept = backupCopyOf(keptStoreFileName(QDateTime(QDate(2026, 1, 2), QTime(9, 5))));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->keptBeforeRestore);
    EXPECT_EQ(kept->time, QTime(9, 5));
    EXPECT_FALSE(backupCopyOf(QStringLiteral("zu_daviv-damaged-20260102-090500.db")));
}

TEST_F(StoreFile, BackupIsAWholeStoreEvenWhenTheStoreChangesMidway)
{
    prepare();
    for (int i = 0; i < 300; ++i)
        exec("insert into m_daviv (f_day, note) values ('2026/12/09', '" + QByteArray(400, 'n') + "')");
    const QString copy = dir.filePath(QStringLiteral("backup/zu_daviv-20261209.db"));
    {
        StoreBackup backup(dbPath(), copy);
        EXPECT_FALSE(backup.step(2));
        exec("insert into m_daviv (f_day, note) values ('2026/12/09', 'written during the backup')");
        while (!backup.step(2)) {
        }
    }
    EXPECT_FALSE(QFile::exists(copy + QStringLiteral(".part")));
    SqliteDatabase db(copy.toUtf8());
    EXPECT_EQ(db.runQuery("select count(*) as n from m_daviv")->valueText("n"), "301");
    EXPECT_EQ(db.runQuery("select note from m_daviv where rowid = 301")->valueText("note"),
              "written during the backup");
    const QList<BackupCopy> copies = backupCopies(dir.filePath(QStringLiteral("backup")));
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(copies.first().day, QDate(2026, 12, 9));
}

TEST_F(StoreFile, AFailedBackupSaysWhy)
{
    const QString copy = dir.filePath(QStringLiteral("backup/zu_daviv-20261209.db"));
    const auto reasonOf = [&] {
        try {
            StoreBackup backup(dbPath(), copy);
            backup.step(-1);
        } catch (const StoreError& e) {
            return e.reason();
        }
        return QStringLiteral("<no error>");
    };
    {
        QFile file(dbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    EXPECT_EQ(reasonOf(), QStringLiteral("file is not a database"));

    // A folder where the copy's name should go: the file system's own reason.
    QFile::remove(dbPath());
    prepare();
    ASSERT_TRUE(QDir().mkpath(copy + QStringLiteral("/in the way")));
    const QString reason = reasonOf();
    EXPECT_NE(reason, QStringLiteral("<no error>"));
    EXPECT_NE(reason, QStringLiteral("not an error"));
    EXPECT_FALSE(reason.isEmpty());
}

TEST_F(StoreFile, GoingBackToABackupKeepsTheStoreAndOutlastsALeftoverJournal)
{
    prepare();
    exec("insert into m_daviv (f_day, note, term) values ('2026/12/07', 'in the backup', -1)");
    const QString backup = dir.filePath(QStringLiteral("backup/") + backupFileName(QDate(2026, 12, 7)));
    ASSERT_TRUE(StoreBackup(dbPath(), backup).step(-1));
    exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 300) "
         "insert into m_daviv (f_day, note, term) select '2026/12/08', hex(randomblob(200)), -1 from n");
    // A crash in the middle of a write leaves its journal beside the store: here the two files as
    // they were with a large change under way, put back once it is rolled back.
    {
        SqliteDatabase db(dbPath().toUtf8());
        db.runStatement("pragma cache_size = 5");
        db.startTransaction();
        db.runStatement("update m_daviv set note = 'before the crash'");
        ASSERT_TRUE(QFile::copy(dbPath(), dbPath() + QStringLiteral(".crashed")));
        ASSERT_TRUE(QFile::copy(dbPath() + QStringLiteral("-journal"), dbPath() + QStringLiteral(".journal")));
        db.rollbackTransaction();
    }
    ASSERT_TRUE(QFile::remove(dbPath()));
    ASSERT_TRUE(QFile::rename(dbPath() + QStringLiteral(".crashed"), dbPath()));
    ASSERT_TRUE(QFile::rename(dbPath() + QStringLiteral(".journal"), dbPath() + QStringLiteral("-journal")));
    {
        QFile crashed(dbPath());
        ASSERT_TRUE(crashed.open(QIODevice::ReadOnly));
        ASSERT_TRUE(crashed.readAll().contains("before the crash")) << "the change must have reached the store";
    }

    StoreRecovery recovery(dbPath());
    const QString kept = recovery.restore(backup, QDateTime(QDate(2026, 12, 8), QTime(10, 30)));
    EXPECT_EQ(column("select note from m_daviv", "note"), QStringList{QStringLiteral("in the backup")});
    EXPECT_TRUE(StoreHealth::of(dbPath()).isSound());
    // The store as it was, its unfinished write rolled back, is a copy to go back to.
    const QList<BackupEntry> entries = recovery.backups();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].path, kept);
    EXPECT_TRUE(entries[0].copy.keptBeforeRestore);
    EXPECT_TRUE(entries[0].sound);
    EXPECT_EQ(entries[0].notes, 301);
    SqliteDatabase keptCopy(kept.toUtf8());
    EXPECT_EQ(keptCopy.runQuery("select count(*) as n from m_daviv where note = 'before the crash'")->valueText("n"),
              "0");
    EXPECT_EQ(entries[1].path, backup);
    EXPECT_EQ(entries[1].notes, 1);
}

TEST_F(StoreFile, ARemovedNoteComesBackExactlyUnderItsOldIdOrANewOne)
{
    prepare();
    exec("insert into m_daviv values ('2026/12/01', x'93fa967b', 10, 20, 271, 71, -1, -1, 65535, 200)");
    exec("insert into m_daviv values ('2026/12/02', 'second', 10.5, '20', 271, 71, 0, -1, 65535, 125)");
    const QString both = "select rowid, typeof(note), hex(note), typeof(xpos), xpos, typeof(ypos), ypos, term, "
                         "alpha from m_daviv order by rowid";
    const auto rows = [&] {
        QStringList all;
        auto table = query(both.toUtf8());
        for (table->goFirst(); !table->atEnd(); table->goNext())
            for (int i = 0; i < table->columnCount(); ++i)
                all << QString::fromUtf8(table->valueText(i));
        return all;
    };
    const QStringList before = rows();
    store.removeNote(2);
    EXPECT_EQ(store.restoreRemovedNote(2), 2);
    EXPECT_EQ(rows(), before);

    // Another note took the id meanwhile: the removed one comes back under a new id.
    store.removeNote(2);
    EXPECT_EQ(store.addNote(QDate(2026, 12, 9)).id, 2);
    EXPECT_EQ(store.restoreRemovedNote(2), 3);
    EXPECT_EQ(column("select note from m_daviv where rowid = 3", "note"), QStringList{QStringLiteral("second")});
    store.forgetRemovedNotes();
    EXPECT_EQ(query("select count(*) as n from zu_note_removed")->valueText("n"), "0");
}

TEST_F(StoreFile, NotesRemovedInAnEarlierRunAreDroppedAtStart)
{
    prepare();
    exec("insert into m_daviv (f_day, note) values ('2026/12/01', 'removed for good')");
    store.saveNoteLook(1, {150, true});
    store.removeNote(1);
    const auto kept = [this] { return query("select count(*) as n from zu_note_removed")->valueText("n"); };
    // A store that takes no write now keeps them for a later start; the start goes on.
    {
        SqliteDatabase other(dbPath().toUtf8());
        other.runStatement("BEGIN IMMEDIATE");
        EXPECT_NO_THROW(store.prepare());
        other.runStatement("ROLLBACK");
    }
    EXPECT_EQ(kept(), "1");
    store.prepare();
    EXPECT_EQ(kept(), "0");
    EXPECT_TRUE(store.noteLooks().empty());
}
