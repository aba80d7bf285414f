#include "core/NoteSaver.h"
#include "core/OpenNote.h"
#include "core/RescueFile.h"
#include "core/SaveEveryNote.h"
#include "core/SaveFailures.h"

#include "ManualClock.h"
#include "StoreFixture.h"

#include <QDir>

#include <atomic>
#include <thread>

namespace {

// The note as a window would hand it to a save.
Note shown(const QString& text, bool isOpen = true)
{
    Note note;
    note.date = QDate(2026, 12, 9);
    note.text = text;
    note.bounds = QRect(10, 20, 271, 71);
    note.isOpen = isOpen;
    note.color = 65535;
    note.alpha = 200;
    return note;
}

class NoteSaving : public StoreFixture {
protected:
    NoteSaving() { prepare(); }

    NoteSaver saver{store};
};

// An open note as the rules that save every note see it, without a window: it shows a fixed
// text and counts the lock waits it is given.
class PlainNote : public OpenNote {
public:
    PlainNote(const NoteStore& store, qint32 id, const QString& text) : m_saver(store), m_note(shown(text))
    {
        m_saver.setId(id);
    }
    NoteSaver& saver() override { return m_saver; }
    Note snapshot() const override
    {
        Note note = m_note;
        note.id = m_saver.id();
        return note;
    }
    void save(int lockWaitMs) override
    {
        waits << lockWaitMs;
        m_saver.save(m_note, SaveKind::Save, lockWaitMs);
    }
    QList<int> waits;

private:
    NoteSaver m_saver;
    Note m_note;
};

class SavingEveryNote : public NoteSaving {
protected:
    PlainNote& open(const QString& text)
    {
        notes.push_back(std::make_unique<PlainNote>(store, qint32(addOpenNote(QStringLiteral("old"))), text));
        list << notes.back().get();
        return *notes.back();
    }

    std::vector<std::unique_ptr<PlainNote>> notes;
    QList<OpenNote*> list;
};

} // namespace

TEST_F(NoteSaving, ANewNoteGetsItsRowOnceTheStoreTakesOne)
{
    EXPECT_FALSE(saver.canSave());
    EXPECT_FALSE(saver.save(shown(QStringLiteral("nowhere to go"))));
    EXPECT_EQ(query(Statements::noteRowids)->rowCount(), 0u);
    {
        LockHolder other(dbPath(), "BEGIN EXCLUSIVE");
        EXPECT_FALSE(saver.addRow(QDate(2026, 12, 9)));
        EXPECT_EQ(saver.state(), SaveState::Failed);
        ASSERT_TRUE(saver.error());
        EXPECT_TRUE(saver.error()->reason().contains(QStringLiteral("database is locked")))
            << qPrintable(saver.error()->reason());
        EXPECT_FALSE(saver.save(shown(QStringLiteral("typed while locked"))));
    }
    ASSERT_TRUE(saver.save(shown(QStringLiteral("typed while locked"))));
    EXPECT_EQ(saver.state(), SaveState::Stored);
    EXPECT_FALSE(saver.error());
    EXPECT_EQ(saver.takeRowChange(), std::nullopt);
    EXPECT_EQ(storedText(saver.id()), QStringLiteral("typed while locked"));
}

TEST_F(NoteSaving, AChangeIsPendingUntilASaveStoresItAndAnEndedNoteKeepsItsDate)
{
    ASSERT_TRUE(saver.addRow(QDate(2026, 12, 1)));
    EXPECT_EQ(saver.state(), SaveState::Stored);
    saver.markChanged();
    EXPECT_EQ(saver.state(), SaveState::Pending);
    ASSERT_TRUE(saver.save(shown(QStringLiteral("open"))));
    EXPECT_EQ(saver.state(), SaveState::Stored);
    EXPECT_EQ(storedTerm(saver.id()), QStringLiteral("-1"));
    Note ended = shown(QStringLiteral("ended"), false);
    ended.date = QDate(2030, 1, 1);
    ASSERT_TRUE(saver.save(ended, SaveKind::TaskEnd));
    EXPECT_EQ(storedTerm(saver.id()), QStringLiteral("0"));
    EXPECT_EQ(column(Statements::noteById(saver.id()), "f_day"), QStringList{QStringLiteral("2026/12/09")});
    saver.discard();
    EXPECT_FALSE(saver.save(shown(QStringLiteral("after its removal"))));
    EXPECT_EQ(storedText(saver.id()), QStringLiteral("ended"));
}

TEST_F(NoteSaving, AnUneditedTextKeepsItsStoredBytes)
{
    // UTF-8 that another program wrote: it reads as 日本, which the store would write in code page 932.
    const qint64 id = addRow("'2026/12/09', cast(x'e697a5e69cac' as text), 10, 20, 271, 71, -1, -1, 65535, 200");
    const StoredNote stored = store.note(qint32(id)).value().value();
    saver.bindRow(stored.note.id, stored.image);
    saver.setTextAsRead(stored.note.text);
    const auto bytes = [&] { return query(Statements::noteById(qint32(id)))->valueText("note"); };
    ASSERT_TRUE(saver.save(shown(stored.note.text)));
    EXPECT_EQ(bytes(), QByteArray("\xe6\x97\xa5\xe6\x9c\xac"));
    ASSERT_TRUE(saver.save(shown(stored.note.text + QStringLiteral("!"))));
    EXPECT_EQ(bytes(), encodeStoreText(stored.note.text + QStringLiteral("!")));
}

TEST_F(NoteSaving, ARowThatBecameAnotherNotesIsLeftAndTheLookGoesAlong)
{
    ASSERT_TRUE(saver.addRow(QDate(2026, 12, 9)));
    const qint32 first = saver.id();
    saver.setLook({150, true});
    saver.storeLook();
    exec("update m_daviv set note = 'someone else' where rowid = " + QByteArray::number(first));
    ASSERT_TRUE(saver.save(shown(QStringLiteral("mine"))));
    EXPECT_NE(saver.id(), first);
    EXPECT_EQ(saver.takeRowChange(), SaveResult::AddedTaken);
    EXPECT_EQ(saver.takeRowChange(), std::nullopt);
    EXPECT_EQ(storedText(first), QStringLiteral("someone else"));
    EXPECT_EQ(storedText(saver.id()), QStringLiteral("mine"));
    EXPECT_EQ(store.noteLooks()->at(saver.id()), (NoteLook{150, true}));
}

TEST_F(SavingEveryNote, ALockHeldBrieflyElsewhereIsWaitedOut)
{
    open(QStringLiteral("last words\r\n"));
    std::atomic<bool> locked = false;
    std::atomic<bool> saving = false;
    store.onOpen = [&](sqlite3*) {
        saving = true;
        saving.notify_one();
    };
    std::thread other([&] {
        LockHolder lock(dbPath(), "BEGIN EXCLUSIVE");
        locked = true;
        locked.notify_one();
        saving.wait(false);
        // The scenario itself, not a wait for a state: the other program keeps its lock a while
        // after the save has begun, so that the save must wait it out.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    locked.wait(false);
    const QList<OpenNote*> unsaved = saveEveryNote(list, 5000);
    // Lets the other thread end even if the save never opened the store.
    saving = true;
    saving.notify_one();
    other.join();
    store.onOpen = nullptr;
    EXPECT_TRUE(unsaved.isEmpty());
    EXPECT_EQ(storedText(notes[0]->saver().id()), QStringLiteral("last words\r\n"));
}

TEST_F(SavingEveryNote, OneLockWaitServesEveryNoteAndWhatStaysUnsavedIsRescued)
{
    PlainNote& first = open(QStringLiteral("買い物\r\nmilk\r\n"));
    PlainNote& second = open(QStringLiteral("second\r\n"));
    const QStringList before = snapshot();
    QList<OpenNote*> unsaved;
    {
        LockHolder other(dbPath(), "BEGIN EXCLUSIVE");
        unsaved = saveEveryNote(list, 200);
    }
    EXPECT_EQ(unsaved, list);
    EXPECT_EQ(snapshot(), before);
    // The first note waited the whole budget out; the second had none left.
    EXPECT_EQ(first.waits.size(), 1);
    EXPECT_GT(first.waits.value(0), 0);
    EXPECT_EQ(second.waits, QList<int>{0});

    const ManualClock clock(QDateTime(QDate(2026, 12, 8), QTime(10, 30)));
    const QString rescued = rescueNotes(unsaved, clock, store);
    EXPECT_EQ(QFileInfo(rescued).fileName(), QStringLiteral("zu_daviv-unsaved-20261208-103000.txt"));
    QFile file(rescued);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(
        QStringLiteral("---- 2026/12/09 (%1, 10 20 271x71) ----\r\n買い物\r\nmilk\r\n").arg(first.saver().id())))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("second\r\n")));
    EXPECT_EQ(Rescue::takeNotices(dbPath()), QStringList{rescued});
    EXPECT_TRUE(rescueNotes({}, clock, store).isEmpty());
}

TEST_F(SavingEveryNote, EachChangeInWhatIsStoredIsToldOnce)
{
    SaveFailures failures;
    PlainNote& note = open(QStringLiteral("typed\r\n"));
    {
        LockHolder other(dbPath(), "BEGIN IMMEDIATE");
        note.save(0);
        const SaveFailures::News began = failures.look(list, false);
        EXPECT_TRUE(began.failing && began.failureBegan);
        EXPECT_EQ(began.unsaved, 1);
        ASSERT_TRUE(began.reason);
        EXPECT_TRUE(began.reason->reason().contains(QStringLiteral("locked")));
        SaveFailures::retryFailed(list);
        const SaveFailures::News still = failures.look(list, false);
        EXPECT_TRUE(still.failing);
        EXPECT_FALSE(still.failureBegan);
    }
    SaveFailures::retryFailed(list);
    EXPECT_EQ(note.waits.size(), 3);
    EXPECT_EQ(storedText(note.saver().id()), QStringLiteral("typed\r\n"));
    EXPECT_TRUE(failures.look(list, false).failureOver);
    EXPECT_FALSE(failures.look(list, false).failureOver);

    // A store file gone while the program runs is made anew by the next save, told once.
    ASSERT_TRUE(QFile::remove(dbPath()));
    note.save(0);
    EXPECT_TRUE(failures.look(list, false).storeRecreated);
    EXPECT_FALSE(failures.look(list, false).storeRecreated);

    // Notes that could not be read at start fail without a note of their own; a failure the
    // start told of already is not told again.
    failures.markReported();
    const SaveFailures::News unread = failures.look({}, true);
    EXPECT_TRUE(unread.failing);
    EXPECT_FALSE(unread.failureBegan);
    EXPECT_TRUE(failures.look({}, false).failureOver);
}
