// Whatever text a note or a reminder holds, each statement stays one statement that writes only
// its own row, and the row holds the codec's bytes of the text.
#include "core/SqliteTransaction.h"

#include "HostileText.h"
#include "StoreFixture.h"

#include <QRandomGenerator>

#include <sqlite3.h>

namespace {

// A store with two rows that no test means to write: an ended note and a message.
class StatementText : public StoreFixture {
protected:
    StatementText()
    {
        prepare();
        addBystanders();
    }
};

} // namespace

TEST_F(StatementText, EveryStatementStaysOneStatementWhateverItsText)
{
    SqliteDatabase db = connectTo(dbPath());
    for (const QString& line : HostileLines) {
        Note note;
        note.text = line + QChar(0) + line;
        note.id = 1;
        const QByteArray statements[] = {
            Statements::saveNote(note),
            Statements::endNote(note),
            Statements::addMessage(line, line, line),
            Statements::updateMessage(line, line, line, 1),
        };
        for (const QByteArray& sql : statements) {
            sqlite3_stmt* statement = nullptr;
            const char* rest = nullptr;
            ASSERT_EQ(sqlite3_prepare_v2(db.handle(), sql.constData(), int(sql.size()), &statement, &rest), SQLITE_OK)
                << qPrintable(line);
            const bool oneStatement = QByteArray(rest).trimmed().isEmpty();
            const bool writes = !sqlite3_stmt_readonly(statement);
            const int parameters = sqlite3_bind_parameter_count(statement);
            sqlite3_finalize(statement);
            EXPECT_TRUE(oneStatement) << qPrintable(line) << " leaves: " << rest;
            EXPECT_TRUE(writes);
            EXPECT_EQ(parameters, 0) << qPrintable(line);
        }
    }
}

TEST_F(StatementText, LoneSurrogatesAreStoredAsReplacementCharactersAndNothingElseIsLost)
{
    const QString texts[] = {
        S("a") + QChar(0xD800) + S("b"),
        QChar(0xDC00) + S("表ソ能") + QChar(0xD83D),
        S("😀") + QChar(0xDE00) + S("é") + QChar(0xD83D),
        QString(QChar(0xDFFF)),
    };
    for (const QString& text : texts) {
        const qint64 id = addOpenNote(QString());
        const QStringList others = snapshotExcept(id);
        Note note;
        note.date = QDate(2011, 8, 26);
        note.text = text;
        note.id = qint32(id);
        ASSERT_TRUE(store.saveNote(note, std::nullopt));
        EXPECT_EQ(storedText(id), storable(text));
        EXPECT_EQ(decodeStoreText(encodeStoreText(text)), storable(text));
        EXPECT_EQ(snapshotExcept(id), others);
    }
}

// A random text is seeded, so that a failure repeats.
TEST_F(StatementText, RandomTextsSurviveARealSave)
{
    const qint64 id = addOpenNote(QString());
    const QStringList others = snapshotExcept(id);
    QRandomGenerator random(8261102);
    SqliteDatabase db = connectTo(dbPath());
    // One transaction: what is tested is how SQLite reads each statement, not the disk's speed.
    StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(db);
    ASSERT_TRUE(transaction);
    for (int round = 0; round < 2000; ++round) {
        Note note;
        note.date = QDate(2011, 8, 26);
        note.text = randomText(random);
        note.id = qint32(id);
        ASSERT_TRUE(db.runStatement(Statements::saveNote(note))) << round << ": " << qPrintable(note.text);
        // The row holds the codec's very bytes, less the NULs that no statement carries.
        QByteArray encoded = encodeStoreText(note.text);
        encoded.removeIf([](char c) { return c == '\0'; });
        ASSERT_EQ(db.runQuery(Statements::noteById(note.id))->valueText("note"), encoded)
            << round << ": " << qPrintable(note.text);
    }
    ASSERT_TRUE(transaction->commit());
    EXPECT_EQ(snapshotExcept(id), others);
}
