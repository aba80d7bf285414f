#include "core/NoteSaver.h"

#include "StoreFixture.h"

#include <QDir>

namespace {

class NoteSaving : public StoreFixture {
protected:
    NoteSaving() { prepare(); }

    // The note as a window would hand it to a save.
    static Note shown(const QString& text, bool isOpen = true)
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

    NoteSaver saver{store};
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
