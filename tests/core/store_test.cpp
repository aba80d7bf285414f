#include "core/Error.h"
#include "core/SqliteTransaction.h"
#include "core/StoreHealth.h"
#include "core/StoreRecovery.h"

#include "StoreFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

namespace {

// What a broken invariant of the access layer raises.
QString messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

// Why an operation failed, as the error report would show it.
template <class T> QString messageOf(const StoreResult<T>& result)
{
    return result ? QStringLiteral("<no error>") : result.error().message();
}

class AccessLayer : public StoreFixture {
protected:
    AccessLayer() : db(connectTo(dbPath()))
    {
        EXPECT_TRUE(
            db->runStatement("create table t ([i] INT, [b] BLOB, [n] INTEGER, [f] REAL, [d] DATE, [o] BOOLEAN)"));
    }
    void insert(const QByteArray& sql) { ASSERT_TRUE(db->runStatement("insert into t " + sql)); }

    std::optional<SqliteDatabase> db;
};

} // namespace

TEST_F(AccessLayer, EmptyResultHasNoColumnsAndReportsEndOfData)
{
    auto table = db->runQuery("select i from t");
    EXPECT_EQ(table->rowCount(), 0u);
    EXPECT_TRUE(table->atEnd());
    EXPECT_FALSE(table->goFirst());
    EXPECT_FALSE(table->goLast());
    EXPECT_EQ(messageOf([&] { table->valueText("i"); }), QStringLiteral("Field i Not found. Empty dataset"));
    EXPECT_EQ(messageOf([&] { table->valueText(0); }), QStringLiteral("Table is at End of File"));
}

TEST_F(AccessLayer, ValuesReadAsTextByTheirColumnsDeclaredKinds)
{
    insert("values (42, x'6162', 7, 1.5, '2011/08/26', 1)");
    insert("values (NULL, '', NULL, NULL, NULL, NULL)");
    insert("values (42.7, 'text', 'text', 'text', 5, 'text')");
    auto table = db->runQuery("select i, b, n, f, d, o, 1+1 as e from t");
    const auto row = [&] {
        QList<QByteArray> values;
        for (const char* column : {"i", "B", "n", "F", "d", "o", "e"})
            values << table->valueText(column);
        return values;
    };
    EXPECT_EQ(row(), (QList<QByteArray>{"42", "ab", "7", "1.5", "2011/08/26", "1", "2"}));
    ASSERT_TRUE(table->goNext());
    // NULL reads as empty text in text and blob columns, as 0 in numeric ones.
    EXPECT_EQ(row(), (QList<QByteArray>{"", "", "0", "0", "", "0", "2"}));
    ASSERT_TRUE(table->goNext());
    // A column declared INT is text; INTEGER, BOOLEAN and REAL read the value as a number.
    EXPECT_EQ(row(), (QList<QByteArray>{"42.7", "text", "0", "0", "5", "0", "2"}));
    EXPECT_TRUE(table->goNext());
    EXPECT_TRUE(table->atEnd());
    EXPECT_FALSE(table->goNext());
    EXPECT_EQ(messageOf([&] { table->valueText("i"); }), QStringLiteral("Table is at End of File"));
    ASSERT_TRUE(table->goLast());
    EXPECT_EQ(messageOf([&] { table->valueText("zz"); }), QStringLiteral("Field not found in dataset: zz"));
}

TEST_F(AccessLayer, BlobKeepsZeroBytesAndTextStopsAtThem)
{
    insert("(b, d) values (x'610062', 'a' || char(0) || 'b')");
    auto table = db->runQuery("select b, d from t");
    EXPECT_EQ(table->valueText("b"), QByteArray("a\0b", 3));
    EXPECT_EQ(table->valueText("d"), "a");
}

TEST_F(AccessLayer, ColumnNamesMatchWithoutRegardToCase)
{
    prepare();
    exec("insert into m_icom_message values ('12:00:00', 'x', '2026/12/08')");
    auto table = db->runQuery(Statements::messages);
    EXPECT_EQ(table->valueText("iTime"), "12:00:00");
    EXPECT_EQ(table->valueText("ROWID"), "1");
}

TEST_F(AccessLayer, StatementErrorsCarryCodeTextAndStatement)
{
    EXPECT_EQ(messageOf(db->runStatement("select i from t")), QStringLiteral("<no error>"));
    insert("(i) values (1)");
    // A row is no error code of its own, so the message stands alone.
    EXPECT_EQ(messageOf(db->runStatement("select i from t")), QStringLiteral("Error executing SQL statement"));
    const StoreResult<> syntax = db->runStatement("selec nothing");
    EXPECT_EQ(messageOf(syntax), QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                                "\"selec nothing\": near \"selec\": syntax error"));
    EXPECT_EQ(syntax.error().code(), SQLITE_ERROR);
    EXPECT_EQ(syntax.error().detail(), QStringLiteral("near \"selec\": syntax error"));
    EXPECT_EQ(messageOf(db->runStatement("-- only a comment")), QStringLiteral("Could not prepare SQL statement"));
    EXPECT_EQ(messageOf(db->runQuery("select * from missing")).left(40),
              QStringLiteral("Error executing SQL.\rError [1]: SQL erro"));
}

TEST_F(AccessLayer, OnlyTheFirstOfTwoStatementsRuns)
{
    insert("(i) values (1); insert into t (i) values (2)");
    EXPECT_EQ(db->runQuery("select i from t")->rowCount(), 1u);
}

TEST_F(AccessLayer, TransactionsNestNeverAndRollBackUnlessCommitted)
{
    {
        StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(*db);
        ASSERT_TRUE(transaction);
        EXPECT_EQ(messageOf([&] { (void)SqliteTransaction::begin(*db); }), QStringLiteral("Transaction already open"));
        EXPECT_TRUE(db->inTransaction());
        insert("(i) values (1)");
    }
    EXPECT_FALSE(db->inTransaction());
    {
        StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(*db);
        insert("(i) values (2)");
        ASSERT_TRUE(transaction->commit());
    }
    // A transaction still open when the connection closes goes too.
    ASSERT_TRUE(db->runStatement("BEGIN"));
    insert("(i) values (3)");
    db.reset();
    EXPECT_EQ(column("select i from t", "i"), QStringList{QStringLiteral("2")});
}

TEST_F(AccessLayer, ATransactionSQLiteRolledBackKeepsTheFailureThatEndedIt)
{
    ASSERT_TRUE(db->runQuery("PRAGMA max_page_count = 3"));
    {
        StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(*db);
        insert("(i) values (1)");
        const StoreResult<> full = db->runStatement("insert into t (d) values ('" + QByteArray(20000, 'x') + "')");
        ASSERT_FALSE(full);
        EXPECT_FALSE(db->inTransaction()) << "SQLite rolls back a transaction that fills the disk";
        EXPECT_EQ(full.error().code(), SQLITE_FULL);
        EXPECT_EQ(full.error().detail(), QStringLiteral("database or disk is full"));
    }
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(db->runQuery("select i from t")->rowCount(), 0u);
}

TEST_F(AccessLayer, LockHeldElsewhereFailsAtOnce)
{
    insert("(i) values (1)");
    LockHolder other(dbPath(), "BEGIN EXCLUSIVE");
    EXPECT_EQ(messageOf(db->runQuery("select i from t")), QStringLiteral("Could not prepare SQL statement"));
    const QString write = messageOf(db->runStatement("insert into t (i) values (2)"));
    EXPECT_TRUE(
        write.startsWith(QStringLiteral("Error executing SQL statement.\rError [5]: The database file is locked.\r\"")))
        << qPrintable(write);
}

TEST_F(StoreFixture, OpenFailureNamesTheFile)
{
    const QByteArray path = dir.filePath(QStringLiteral("missing/folder/x.db")).toUtf8();
    EXPECT_EQ(
        messageOf(SqliteDatabase::open(path)),
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
    EXPECT_EQ(created, (QStringList{QString::fromLatin1(Statements::createNotes),
                                    QString::fromLatin1(Statements::createMessages)}));
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
    const QDate day(2026, 1, 5);
    EXPECT_EQ(store.addNote(day)->id, 1);
    EXPECT_EQ(store.addNote(day)->id, 2);
    exec(Statements::deleteNote(2));
    EXPECT_EQ(store.addNote(day)->id, 2);
    auto table = query(Statements::noteById(1));
    EXPECT_EQ(table->valueText("f_day"), "2026/01/05");
    for (const char* column : {"note", "xpos", "width", "term", "visible", "color", "alpha"})
        EXPECT_EQ(table->valueText(column), "") << column;
    EXPECT_TRUE(store.openNotes()->empty());
}

TEST_F(StoreFile, AddNoteFailsInsteadOfHandingOutAnExistingId)
{
    prepare();
    ASSERT_TRUE(store.addNote(QDate(2026, 1, 5)));
    {
        LockHolder other(dbPath(), "BEGIN EXCLUSIVE");
        const StoreResult<SaveResult> added = store.addNote(QDate(2026, 1, 5));
        ASSERT_FALSE(added);
        EXPECT_EQ(added.error().code(), SQLITE_BUSY);
    }
    EXPECT_EQ(query(Statements::noteRowids)->rowCount(), 1u);
}

TEST_F(StoreFile, AWriteThatFailsPartWayChangesNothing)
{
    prepare();
    const qint64 id = addOpenNote(QStringLiteral("kept"));
    exec("create trigger keep_notes before delete on m_daviv begin select raise(abort, 'notes stay'); end");
    const StoreResult<> removed = store.removeNote(qint32(id));
    ASSERT_FALSE(removed);
    EXPECT_EQ(removed.error().detail(), QStringLiteral("notes stay"));
    EXPECT_EQ(storedText(id), QStringLiteral("kept"));
    // The copy made before the delete went with it, its table too.
    EXPECT_EQ(query("select name from sqlite_master where name = 'zu_note_removed'")->rowCount(), 0u);
}

// What other programs read in the file: each operation's values with their storage classes,
// which the statement texts fix (a date as text, a Boolean as -1 or 0, a colour as a signed
// integer).
TEST_F(StoreFile, EachOperationStoresItsValuesWithTheirStorageClasses)
{
    prepare();
    const auto stored = [this](const QByteArray& table, const QByteArray& columns, qint64 id) {
        QStringList quoted;
        for (const QByteArray& name : columns.split(','))
            quoted << column("select quote(" + name + ") as v from " + table +
                                 " where rowid = " + QByteArray::number(id),
                             "v")
                          .value(0);
        return quoted.join(QLatin1Char(' '));
    };
    const QByteArray noteColumns = "f_day,note,xpos,ypos,width,height,term,visible,color,alpha";

    const StoreResult<SaveResult> added = store.addNote(QDate(2026, 3, 4));
    ASSERT_TRUE(added);
    const qint32 id = added->id;
    EXPECT_EQ(stored("m_daviv", noteColumns, id),
              QStringLiteral("'2026/03/04' NULL NULL NULL NULL NULL NULL NULL NULL NULL"));

    Note note;
    note.id = id;
    note.date = QDate(2011, 8, 26);
    note.text = QStringLiteral("it's\r\n");
    note.bounds = QRect(-5, 10, 271, 71);
    note.isOpen = true;
    note.color = 16777215;
    note.alpha = 200;
    ASSERT_TRUE(store.saveNote(note, std::nullopt));
    EXPECT_EQ(stored("m_daviv", noteColumns, id),
              QStringLiteral("'2011/08/26' 'it''s\r\n' -5 10 271 71 -1 -1 16777215 200"));
    // The task end leaves the day as stored; a colour beyond 31 bits is stored signed.
    note.date = QDate(2026, 1, 1);
    note.isOpen = false;
    note.color = 0xFFFFFFFF;
    ASSERT_TRUE(store.saveNote(note, std::nullopt, SaveKind::TaskEnd));
    EXPECT_EQ(stored("m_daviv", noteColumns, id), QStringLiteral("'2011/08/26' 'it''s\r\n' -5 10 271 71 0 -1 -1 200"));
    ASSERT_TRUE(store.reopenNote(id));
    EXPECT_EQ(stored("m_daviv", "term", id), QStringLiteral("-1"));

    ASSERT_TRUE(store.addReminder(QDate(2026, 12, 8), QTime(9, 5), QStringLiteral("a'b")));
    const StoreResult<std::vector<Reminder>> reminders = store.reminders();
    ASSERT_TRUE(reminders && reminders->size() == 1);
    const qint64 reminder = reminders->front().id;
    EXPECT_EQ(stored("m_icom_message", "itime,message,iday", reminder),
              QStringLiteral("'9:05:00' 'a''b' '2026/12/08'"));
    ASSERT_TRUE(store.updateReminder(reminder, QDate(2026, 12, 9), QTime(17, 30), QStringLiteral("m")));
    EXPECT_EQ(stored("m_icom_message", "itime,message,iday", reminder), QStringLiteral("'17:30:00' 'm' '2026/12/09'"));
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
    for (const QString& text : texts) {
        const StoreResult<SaveResult> added = store.addNote(QDate(2026, 1, 1));
        Note note;
        note.date = QDate(2026, 1, 1);
        note.text = text;
        note.id = added->id;
        ASSERT_TRUE(store.saveNote(note, added->image));
        EXPECT_EQ(storedText(note.id), text) << qPrintable(text);
    }
    EXPECT_EQ(query(Statements::noteRowids)->rowCount(), std::size(texts));
}

TEST_F(StoreFile, NulCharactersNeverCutAStatement)
{
    const QString text = QStringLiteral("before") + QChar(0) + QStringLiteral("after");
    EXPECT_EQ(Statements::textLiteral(text), "'beforeafter'");
}

TEST_F(StoreFile, RemindersComeBackWithTheirTextsAsStoredAndWhatTheyStandFor)
{
    prepare();
    ASSERT_TRUE(store.addReminder(QDate(2026, 12, 8), QTime(9, 5), QStringLiteral("朝会")));
    exec("insert into m_icom_message values ('noon', 'odd', '2026/12/24')");
    const StoreResult<std::vector<Reminder>> reminders = store.reminders();
    ASSERT_EQ(reminders->size(), 2u);
    const Reminder& first = reminders->at(0);
    EXPECT_EQ(first.id, 1);
    EXPECT_EQ(first.timeText, QStringLiteral("9:05:00"));
    EXPECT_EQ(first.dayText, QStringLiteral("2026/12/08"));
    EXPECT_EQ(first.message, QStringLiteral("朝会"));
    EXPECT_EQ(first.day, QDate(2026, 12, 8));
    EXPECT_EQ(first.time, QTime(9, 5));
    EXPECT_TRUE(first.unreadable.isEmpty());
    EXPECT_EQ(reminders->at(1).timeText, QStringLiteral("noon"));
    EXPECT_EQ(reminders->at(1).unreadable, QStringLiteral("'noon' is not a valid time"));
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
    for (const char* name :
         {"zu_daviv-20261302.db", "zu_daviv-20260102-0905.db", "zu_daviv-202601021.db", "zu_daviv-20260102.db.bak"})
        EXPECT_FALSE(backupCopyOf(QString::fromLatin1(name))) << name;
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
        StoreResult<std::unique_ptr<StoreBackup>> backup = StoreBackup::start(dbPath(), copy);
        ASSERT_TRUE(backup);
        EXPECT_FALSE((*backup)->step(2).value());
        exec("insert into m_daviv (f_day, note) values ('2026/12/09', 'written during the backup')");
        while (!(*backup)->step(2).value()) {
        }
    }
    EXPECT_FALSE(QFile::exists(copy + QStringLiteral(".part")));
    SqliteDatabase db = connectTo(copy);
    EXPECT_EQ(db.runQuery(Statements::countNotes)->valueText("n"), "301");
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
        StoreResult<std::unique_ptr<StoreBackup>> backup = StoreBackup::start(dbPath(), copy);
        if (!backup)
            return backup.error().reason();
        const StoreResult<bool> done = (*backup)->step(-1);
        return done ? QStringLiteral("<no error>") : done.error().reason();
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
    ASSERT_TRUE(backUp(dbPath(), backup));
    exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 300) "
         "insert into m_daviv (f_day, note, term) select '2026/12/08', hex(randomblob(200)), -1 from n");
    // A crash in the middle of a write leaves its journal beside the store: here the two files as
    // they were with a large change under way, put back once it is rolled back.
    {
        SqliteDatabase db = connectTo(dbPath());
        ASSERT_TRUE(db.runStatement("pragma cache_size = 5"));
        StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(db);
        ASSERT_TRUE(db.runStatement("update m_daviv set note = 'before the crash'"));
        ASSERT_TRUE(QFile::copy(dbPath(), dbPath() + QStringLiteral(".crashed")));
        ASSERT_TRUE(QFile::copy(dbPath() + QStringLiteral("-journal"), dbPath() + QStringLiteral(".journal")));
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
    const QString kept = recovery.restore(backup, QDateTime(QDate(2026, 12, 8), QTime(10, 30))).value();
    EXPECT_EQ(column("select note from m_daviv", "note"), QStringList{QStringLiteral("in the backup")});
    EXPECT_TRUE(StoreHealth::of(dbPath()).isSound());
    // The store as it was, its unfinished write rolled back, is a copy to go back to.
    const QList<BackupEntry> entries = recovery.backups();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].path, kept);
    EXPECT_TRUE(entries[0].copy.keptBeforeRestore);
    EXPECT_TRUE(BackupCheck::of(kept).isUsable());
    EXPECT_EQ(BackupCheck::of(kept).notes(), 301);
    SqliteDatabase keptCopy = connectTo(kept);
    EXPECT_EQ(keptCopy.runQuery("select count(*) as n from m_daviv where note = 'before the crash'")->valueText("n"),
              "0");
    EXPECT_EQ(entries[1].path, backup);
}

TEST_F(StoreFile, OnlyACopyThatIsASoundStoreCanBeGoneBackTo)
{
    using Verdict = BackupCheck::Verdict;
    prepare();
    addOpenNote(QStringLiteral("on the desktop"));
    const QString copy = dir.filePath(QStringLiteral("backup/") + backupFileName(QDate(2026, 12, 7)));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(copy).path()));
    QByteArray noise(8192, '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const QByteArray tables = QByteArray(Statements::createNotes) + ';' + Statements::createMessages + ';';
    const QByteArray notes = "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200) insert "
                             "into m_daviv (f_day, note, term) select '2026/12/07', hex(randomblob(100)), 0 from n;";
    // The file's bytes, else SQL run on a new database; the unusable ones first, as each of them
    // must leave the store as it is.
    const struct {
        const char* what;
        QByteArray bytes;
        QByteArray sql;
        Verdict verdict;
        int notes;
    } cases[] = {
        {"a file of no bytes", {}, {}, Verdict::Empty, -1},
        {"random bytes", noise, {}, Verdict::NotAStore, -1},
        {"a database without m_daviv", {}, Statements::createMessages, Verdict::NotAStore, -1},
        {"damaged pages", {}, tables + notes, Verdict::Damaged, -1},
        {"a store without notes", {}, tables, Verdict::Usable, 0},
        {"a store with notes", {}, tables + notes, Verdict::Usable, 200},
    };
    StoreRecovery recovery(dbPath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile file(copy);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(c.bytes) == c.bytes.size());
        file.close();
        if (!c.sql.isEmpty()) {
            ASSERT_EQ(sqlite3_exec(connectTo(copy).handle(), c.sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        }
        if (c.verdict == Verdict::Damaged)
            damageNotesPage(copy);
        const BackupCheck check = BackupCheck::of(copy);
        EXPECT_EQ(check.verdict(), c.verdict);
        EXPECT_EQ(check.notes(), c.notes);
        const QStringList before = snapshot();
        const StoreResult<QString> restored = recovery.restore(copy, QDateTime(QDate(2026, 12, 8), QTime(10, 30)));
        EXPECT_EQ(bool(restored), check.isUsable());
        EXPECT_EQ(snapshot().size(), restored ? c.notes : before.size());
        EXPECT_TRUE(restored || snapshot() == before);
    }
}

TEST_F(StoreFile, WhatACopyCutShortLeftGoesAtTheNextStart)
{
    const QDir backups(dir.filePath(QStringLiteral("backup")));
    ASSERT_TRUE(backups.mkpath(QStringLiteral(".")));
    for (const char* name :
         {"zu_daviv-20261208.db.part", "zu_daviv-20261208-103000.db.part-journal", "zu_daviv-20261207.db"})
        ASSERT_TRUE(QFile(backups.filePath(QLatin1String(name))).open(QIODevice::WriteOnly));
    const DailyBackup daily(dbPath());
    EXPECT_EQ(backups.entryList(QDir::Files), QStringList{QStringLiteral("zu_daviv-20261207.db")});
}

TEST_F(StoreFile, TheDaysCopyOfADamagedStoreIsNotMadeAndSaysSo)
{
    prepare();
    addEndedNotes(200);
    damageNotesPage(dbPath());
    DailyBackup daily(dbPath());
    std::optional<StoreResult<>> finished;
    QObject::connect(&daily, &DailyBackup::finished, [&](const StoreResult<>& result) { finished = result; });
    daily.start(QDate(2026, 12, 9));
    ASSERT_TRUE(finished && !*finished);
    EXPECT_EQ(finished->error().code(), SQLITE_CORRUPT);
    EXPECT_FALSE(daily.hasCopyOf(QDate(2026, 12, 9)));
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
            for (int i = 0; i < 9; ++i)
                all << QString::fromUtf8(table->valueText(i));
        return all;
    };
    const QStringList before = rows();
    ASSERT_TRUE(store.removeNote(2));
    EXPECT_EQ(store.restoreRemovedNote(2).value(), 2);
    EXPECT_EQ(rows(), before);

    // Another note took the id meanwhile: the removed one comes back under a new id.
    ASSERT_TRUE(store.removeNote(2));
    EXPECT_EQ(store.addNote(QDate(2026, 12, 9))->id, 2);
    EXPECT_EQ(store.restoreRemovedNote(2).value(), 3);
    EXPECT_EQ(column("select note from m_daviv where rowid = 3", "note"), QStringList{QStringLiteral("second")});
    ASSERT_TRUE(store.forgetRemovedNotes());
    EXPECT_EQ(query("select count(*) as n from zu_note_removed")->valueText("n"), "0");
}

TEST_F(StoreFile, NotesRemovedInAnEarlierRunAreDroppedAtStart)
{
    prepare();
    exec("insert into m_daviv (f_day, note) values ('2026/12/01', 'removed for good')");
    ASSERT_TRUE(store.saveNoteLook(1, {150, true}));
    ASSERT_TRUE(store.removeNote(1));
    const auto kept = [this] { return query("select count(*) as n from zu_note_removed")->valueText("n"); };
    // A store that takes no write now keeps them for a later start; the start goes on.
    {
        LockHolder other(dbPath(), "BEGIN IMMEDIATE");
        EXPECT_TRUE(store.prepare());
    }
    EXPECT_EQ(kept(), "1");
    ASSERT_TRUE(store.prepare());
    EXPECT_EQ(kept(), "0");
    EXPECT_TRUE(store.noteLooks()->empty());
}

// --- What the store hands back when it cannot do what is asked ---

namespace {

class StoreErrors : public StoreFixture {
protected:
    StoreErrors()
    {
        prepare();
        addBystanders();
    }
};

} // namespace

TEST_F(StoreErrors, SaveFailuresCarrySQLitesOwnErrorAndChangeNothing)
{
    const qint64 id = addOpenNote(QStringLiteral("stored"));
    const StoredNote stored = store.note(qint32(id)).value().value();
    Note note = stored.note;
    note.text = QString(20000, QLatin1Char('x'));
    // The report names the failure in words besides SQLite's own.
    const struct {
        const char* name;
        int code;
        const char* detail;
        const char* words;
        std::function<void()> breakStore;
    } cases[] = {
        {"full disk", SQLITE_FULL, "database or disk is full", "Error [13]: Insertion failed because database is full.",
         [&] {
             store.onOpen = [](sqlite3* db) {
                 sqlite3_exec(db, "PRAGMA max_page_count = 3", nullptr, nullptr, nullptr);
             };
         }},
        {"locked", SQLITE_BUSY, "database is locked", "Error [5]: The database file is locked.", [] {}},
        {"not a database", SQLITE_NOTADB, "file is not a database",
         "Error [26]: File opened that is not a database file.",
         [&] {
             QFile file(dbPath());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
             file.write(QByteArray(4096, 'z'));
         }},
    };
    for (const auto& c : cases) {
        const QByteArray kept = fileBytes();
        const QStringList before = snapshot();
        c.breakStore();
        std::optional<LockHolder> lock;
        if (c.code == SQLITE_BUSY)
            lock.emplace(dbPath(), "BEGIN EXCLUSIVE");
        const StoreResult<SaveResult> saved = store.saveNote(note, stored.image);
        lock.reset();
        store.onOpen = nullptr;
        ASSERT_FALSE(saved) << c.name << ": the save went through";
        EXPECT_EQ(saved.error().code(), c.code) << c.name << ": " << qPrintable(saved.error().message());
        EXPECT_EQ(saved.error().detail(), QString::fromUtf8(c.detail)) << c.name;
        EXPECT_TRUE(saved.error().message().contains(QString::fromUtf8(c.words)))
            << qPrintable(saved.error().message());
        QFile file(dbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(kept);
        file.close();
        if (c.code != SQLITE_NOTADB) {
            EXPECT_EQ(snapshot(), before) << c.name;
        }
    }
}

TEST_F(StoreErrors, ANoteNeverWritesARowThatIsNotItsOwn)
{
    const qint64 id = addOpenNote(QStringLiteral("mine"));
    const RowImage known = store.note(qint32(id)).value()->image;
    Note note;
    note.date = QDate(2011, 8, 26);
    note.text = QStringLiteral("typed later");
    note.id = qint32(id);

    // Another note's values in the row (the file was replaced): a new row, the other kept.
    exec("update m_daviv set note = 'someone else' where rowid = " + QByteArray::number(id));
    const QStringList others = snapshot();
    const SaveResult taken = store.saveNote(note, known).value();
    EXPECT_EQ(taken.way, SaveResult::AddedTaken);
    EXPECT_NE(taken.id, id);
    EXPECT_EQ(snapshotExcept(taken.id), others);
    EXPECT_EQ(storedText(taken.id), QStringLiteral("typed later"));

    // Its own row, as it last wrote it: updated in place.
    note.id = taken.id;
    note.text = QStringLiteral("and again");
    const SaveResult own = store.saveNote(note, taken.image).value();
    EXPECT_EQ(own.way, SaveResult::Updated);
    EXPECT_EQ(storedText(taken.id), QStringLiteral("and again"));

    // The row gone, or the whole file gone: stored anew, tables and all.
    exec(Statements::deleteNote(taken.id));
    EXPECT_EQ(store.saveNote(note, own.image)->way, SaveResult::AddedMissing);
    QFile::remove(dbPath());
    const SaveResult fresh = store.saveNote(note, own.image).value();
    EXPECT_EQ(fresh.way, SaveResult::AddedToNewStore);
    EXPECT_EQ(storedText(fresh.id), QStringLiteral("and again"));
    EXPECT_EQ(query("select name from sqlite_master where type = 'table'")->rowCount(), 2u);
}

TEST_F(StoreErrors, ARowWhoseValuesDoNotReadIsLeftOutOfTheRestoreAndNamedWhenAskedFor)
{
    const qint64 readable = addOpenNote(QStringLiteral("readable"));
    const qint64 wide = addRow("'2011/08/26', 'word width', 10, 20, 'wide', 90, -1, -1, 65408, 200");
    const StoreResult<std::vector<StoredNote>> open = store.openNotes();
    ASSERT_EQ(open->size(), 1u);
    EXPECT_EQ(open->front().note.id, readable);
    EXPECT_EQ(open->front().note.bounds, QRect(100, 120, 271, 71));
    const StoreResult<std::optional<StoredNote>> asked = store.note(qint32(wide));
    ASSERT_FALSE(asked);
    EXPECT_EQ(asked.error().message(), QStringLiteral("'wide' is not a valid integer value"));
    EXPECT_FALSE(store.note(9999).value());
}
