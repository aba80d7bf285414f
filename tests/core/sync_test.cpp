#include "core/NoteStore.h"
#include "core/SyncFile.h"
#include "core/SyncMerge.h"
#include "core/SyncStore.h"

#include "QtPrinting.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

namespace {

// One PC: its own store, and its own copy of the sync folder, which the test carries files
// between as a sync tool would, late and in any order.
struct Pc {
    explicit Pc(const QString& name) : store(dir.path())
    {
        EXPECT_TRUE(store.prepare());
        QDir(dir.path()).mkdir(QStringLiteral("sync"));
        folder = dir.filePath(QStringLiteral("sync"));
        settings = SyncStore::turnOn(store, folder, name, name).value();
    }

    // Reads the folder, merges (at most maxApplied items), writes its own file; the round's outcome.
    SyncRound sync(int maxApplied = -1)
    {
        std::vector<SyncFileContent> peers;
        for (SyncFolderReader::Peer& peer : reader.read(folder, settings.storeId))
            peers.push_back(std::move(peer.content));
        StoreResult<SyncRound> round = SyncStore::runRound(store, peers, maxApplied);
        EXPECT_TRUE(round) << qPrintable(round ? QString() : round.error().message());
        if (!round)
            return {};
        const StoreResult<> written = SyncFile::write(folder, round->file);
        EXPECT_TRUE(written) << qPrintable(written ? QString() : written.error().message());
        return *round;
    }
    QString ownFile() const { return QDir(folder).filePath(SyncFile::fileName(settings.storeId, settings.pcName)); }
    // The file this PC wrote last, delivered into another's folder.
    void carryTo(Pc& other) const
    {
        const QString target = QDir(other.folder).filePath(QFileInfo(ownFile()).fileName());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(ownFile(), target));
    }

    qint32 write(const QString& text, qint32 id = 0)
    {
        if (id == 0)
            id = store.addNote(QDate(2026, 12, 10)).value().id;
        Note note;
        note.id = id;
        note.date = QDate(2026, 12, 10);
        note.text = text;
        note.bounds = QRect(10, 20, 271, 71);
        note.isOpen = true;
        note.color = 0xC0FFFF;
        note.alpha = 200;
        EXPECT_TRUE(store.saveNote(note, std::nullopt));
        return id;
    }
    qint32 idOf(const QString& text) const
    {
        const std::vector<NoteListRow> rows = store.noteList().value();
        for (const NoteListRow& row : rows)
            if (row.text == text)
                return row.id;
        return 0;
    }
    // The open notes' texts, sorted; then the reminders'.
    QStringList notes() const
    {
        QStringList texts;
        const std::vector<StoredNote> open = store.openNotes().value();
        for (const StoredNote& stored : open)
            texts << stored.note.text;
        texts.sort();
        return texts;
    }
    QStringList reminders() const
    {
        QStringList texts;
        const std::vector<Reminder> all = store.reminders().value();
        for (const Reminder& r : all)
            texts << r.dayText + QLatin1Char(' ') + r.timeText + QLatin1Char(' ') + r.message;
        texts.sort();
        return texts;
    }

    QTemporaryDir dir;
    NoteStore store;
    QString folder;
    SyncSettings settings;
    SyncFolderReader reader;
};

// Both PCs see each other's latest file.
void exchange(Pc& a, Pc& b)
{
    a.sync();
    b.sync();
    a.carryTo(b);
    b.carryTo(a);
    a.sync();
    b.sync();
    a.carryTo(b);
    b.carryTo(a);
}

struct History {
    const char* name;
    std::function<void(Pc& a, Pc& b)> happen;
    QStringList expected; // the open notes on both PCs afterwards
};

void PrintTo(const History& history, std::ostream* out)
{
    *out << history.name;
}

class SyncHistory : public ::testing::TestWithParam<History> {};

const QString Heading = conflictCopyHeading(QStringLiteral("B")) + QLatin1String("\r\n");

const History Histories[] = {
    {"typedOnOneEditedOnTheOtherComesBack",
     [](Pc& a, Pc& b) {
         a.write(QStringLiteral("買い物"));
         exchange(a, b);
         b.write(QStringLiteral("買い物: 牛乳"), b.idOf(QStringLiteral("買い物")));
         exchange(a, b);
     },
     {QStringLiteral("買い物: 牛乳")}},
    {"bothEditedBothKeptTheLaterKeepsTheNote",
     [](Pc& a, Pc& b) {
         const qint32 onA = a.write(QStringLiteral("元"));
         exchange(a, b);
         a.write(QStringLiteral("Aの変更"), onA);
         b.write(QStringLiteral("Bの変更"), b.idOf(QStringLiteral("元")));
         // B changed more often: its stamp is higher, so its change keeps the note.
         b.write(QStringLiteral("Bの変更"), b.idOf(QStringLiteral("Bの変更")));
         b.write(QStringLiteral("Bの変更2"), b.idOf(QStringLiteral("Bの変更")));
         b.sync();
         b.write(QStringLiteral("Bの変更3"), b.idOf(QStringLiteral("Bの変更2")));
         exchange(a, b);
     },
     {QStringLiteral("Bの変更3"), conflictCopyHeading(QStringLiteral("A")) + QStringLiteral("\r\nAの変更")}},
    {"removalTravels",
     [](Pc& a, Pc& b) {
         a.write(QStringLiteral("残す"));
         const qint32 gone = a.write(QStringLiteral("消す"));
         exchange(a, b);
         ASSERT_TRUE(a.store.removeNote(gone));
         exchange(a, b);
     },
     {QStringLiteral("残す")}},
    {"removedAgainstEditedComesBackEdited",
     [](Pc& a, Pc& b) {
         const qint32 onA = a.write(QStringLiteral("メモ"));
         exchange(a, b);
         ASSERT_TRUE(a.store.removeNote(onA));
         a.sync();
         b.write(QStringLiteral("メモ(追記)"), b.idOf(QStringLiteral("メモ")));
         exchange(a, b);
     },
     {QStringLiteral("メモ(追記)")}},
    {"anEditAfterSeeingWinsHoweverFarBehindItsClock",
     [](Pc& a, Pc& b) {
         const qint32 onA = a.write(QStringLiteral("0"));
         for (int i = 1; i <= 10; ++i) {
             a.write(QString::number(i), onA);
             a.sync();
         }
         exchange(a, b);
         b.write(QStringLiteral("Bが最後"), b.idOf(QStringLiteral("10")));
         exchange(a, b);
     },
     {QStringLiteral("Bが最後")}},
    {"anEditAfterGoingBackToABackupStillTravels",
     [](Pc& a, Pc& b) {
         const qint32 onA = a.write(QStringLiteral("1"));
         exchange(a, b);
         const QString store = a.store.filePath();
         const QString copy = a.dir.filePath(QStringLiteral("copy.db"));
         ASSERT_TRUE(QFile::copy(store, copy));
         for (const char* text : {"2", "3", "4"}) {
             a.write(QString::fromLatin1(text), onA);
             a.sync();
         }
         exchange(a, b);
         ASSERT_TRUE(QFile::remove(store) && QFile::copy(copy, store));
         a.write(QStringLiteral("戻してから"), onA);
         exchange(a, b);
     },
     {QStringLiteral("戻してから")}},
    {"goingBackToABackupTravelsAndDoublesNothing",
     [](Pc& a, Pc& b) {
         const qint32 onA = a.write(QStringLiteral("昨日"));
         exchange(a, b);
         const QString store = a.store.filePath();
         const QString backup = a.dir.filePath(QStringLiteral("backup.db"));
         const QString kept = a.dir.filePath(QStringLiteral("kept.db"));
         ASSERT_TRUE(QFile::copy(store, backup));
         a.write(QStringLiteral("今日"), onA);
         a.write(QStringLiteral("今日の新しい付箋"));
         exchange(a, b);
         // As the program goes back: the store kept as a copy, the backup put in its place.
         ASSERT_TRUE(QFile::copy(store, kept) && QFile::remove(store) && QFile::copy(backup, store));
         ASSERT_TRUE(SyncStore::carryOver(a.store, kept));
         exchange(a, b);
     },
     {QStringLiteral("昨日")}},
};

} // namespace

TEST_P(SyncHistory, EndsTheSameOnBothPcs)
{
    Pc a(QStringLiteral("A"));
    Pc b(QStringLiteral("B"));
    GetParam().happen(a, b);
    EXPECT_EQ(a.notes(), GetParam().expected);
    EXPECT_EQ(b.notes(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Histories, SyncHistory, ::testing::ValuesIn(Histories),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Sync, RemindersTravelAndAStoreThatNeverSyncsHasNoTablesOfIt)
{
    QTemporaryDir plain;
    NoteStore untouched(plain.path());
    ASSERT_TRUE(untouched.prepare());
    EXPECT_FALSE(SyncStore::settings(untouched).value());

    Pc a(QStringLiteral("A"));
    Pc b(QStringLiteral("B"));
    ASSERT_TRUE(a.store.addReminder(QDate(2026, 12, 24), QTime(9, 30), QStringLiteral("会議")));
    exchange(a, b);
    EXPECT_EQ(b.reminders(), a.reminders());
    ASSERT_EQ(b.reminders().size(), 1);
    const Reminder onB = b.store.reminders().value().front();
    ASSERT_TRUE(b.store.updateReminder(onB.id, onB.day, QTime(10, 0), QStringLiteral("会議は10時")));
    exchange(a, b);
    EXPECT_EQ(a.reminders(), b.reminders());
    EXPECT_TRUE(a.reminders().front().endsWith(QStringLiteral("会議は10時")));
}

// Three PCs change one note without seeing each other; a fourth that sees their files in any
// order holds the same notes, and so do they once they have seen each other.
TEST(Sync, TheSameFilesInAnyOrderGiveTheSameNotes)
{
    Pc a(QStringLiteral("A")), b(QStringLiteral("B")), c(QStringLiteral("C"));
    const qint32 onA = a.write(QStringLiteral("元"));
    exchange(a, b);
    exchange(a, c);
    a.write(QStringLiteral("A"), onA);
    b.write(QStringLiteral("B"), b.idOf(QStringLiteral("元")));
    ASSERT_TRUE(c.store.removeNote(c.idOf(QStringLiteral("元"))));
    for (Pc* pc : {&a, &b, &c})
        pc->sync();

    std::vector<Pc*> order{&a, &b, &c};
    std::optional<QStringList> first;
    do {
        Pc d(QStringLiteral("D"));
        // One item a round, as many rounds as it takes: the same end.
        for (Pc* pc : order) {
            pc->carryTo(d);
            while (d.sync(1).more) {
            }
        }
        if (!first)
            first = d.notes();
        EXPECT_EQ(d.notes(), *first);
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(first->size(), 2) << qPrintable(first->join(QLatin1Char('|')));

    for (int i = 0; i < 2; ++i)
        for (Pc* from : {&a, &b, &c})
            for (Pc* to : {&a, &b, &c})
                if (from != to) {
                    from->sync();
                    from->carryTo(*to);
                }
    for (Pc* pc : {&a, &b, &c}) {
        pc->sync();
        EXPECT_EQ(pc->notes(), *first);
    }
}

// A file still arriving, a sync tool's temporary and conflict copies, and a foreign file are
// passed over; the whole file is taken once it is there.
TEST(Sync, OnlyWholeFilesUnderTheirOwnNamesAreRead)
{
    Pc a(QStringLiteral("A"));
    Pc b(QStringLiteral("B"));
    a.write(QStringLiteral("届く"));
    a.sync();
    QFile whole(a.ownFile());
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    const QString name = QFileInfo(a.ownFile()).fileName();
    const auto put = [&](const QString& fileName, const QByteArray& data) {
        QFile file(QDir(b.folder).filePath(fileName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
    };
    put(name, bytes.left(bytes.size() / 2));
    put(QStringLiteral(".syncthing.") + name + QStringLiteral(".tmp"), bytes);
    put(QStringLiteral("~") + name + QStringLiteral(".tmp"), bytes);
    put(name.chopped(7) + QStringLiteral(" (conflicted copy 2026-12-10).zusync"), bytes);
    put(name.chopped(7) + QStringLiteral(".sync-conflict-20261210-101010-ABCDEFG.zusync"), bytes);
    put(QStringLiteral("zufusen-0123456789abcdef-X.zusync"), "not a database at all");
    b.sync();
    EXPECT_TRUE(b.notes().isEmpty());
    EXPECT_TRUE(b.reader.passedOver().contains(name));

    put(name, bytes);
    b.sync();
    EXPECT_EQ(b.notes(), QStringList{QStringLiteral("届く")});
}
