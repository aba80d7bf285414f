#pragma once

#include "core/Backup.h"
#include "core/NoteStore.h"
#include "core/SqliteDatabase.h"
#include "core/StoreStatements.h"
#include "core/StoreText.h"

#include "QtPrinting.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

// A connection to a file for what a test sets up or looks at; a file that does not open fails
// the test.
inline SqliteDatabase connectTo(const QString& path)
{
    return SqliteDatabase::open(path.toUtf8()).value();
}

// A whole copy of a store made at once, as the program makes it; whether it is in place.
inline bool backUp(const QString& storePath, const QString& copyPath)
{
    StoreResult<std::unique_ptr<StoreBackup>> backup = StoreBackup::start(storePath, copyPath);
    if (!backup)
        return false;
    const StoreResult<bool> done = (*backup)->step(-1);
    return done && *done;
}

// Another connection holding a write transaction on the store, as another program would.
class LockHolder {
public:
    LockHolder(const QString& path, const QByteArray& begin) : m_db(connectTo(path))
    {
        EXPECT_TRUE(m_db.runStatement(begin)) << begin.constData();
    }
    ~LockHolder() { release(); }
    void release()
    {
        if (m_db.inTransaction()) {
            EXPECT_TRUE(m_db.runStatement("ROLLBACK"));
        }
    }

private:
    SqliteDatabase m_db;
};

inline const QByteArray LockKinds[] = {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"};

// A fresh store folder, the store on it, and direct access to the file for what a test sets
// up or looks at.
class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() : store(dir.path()) {}

    QString dbPath() const { return dir.filePath(QString::fromLatin1(StoreFileName)); }

    void prepare() { ASSERT_TRUE(NoteStore(dir.path()).prepare()); }

    void exec(const QByteArray& sql)
    {
        const StoreResult<> done = connectTo(dbPath()).runStatement(sql);
        ASSERT_TRUE(done) << qPrintable(done.error().message());
    }

    StoreResult<SqliteRows> query(const QByteArray& sql)
    {
        StoreResult<SqliteDatabase> db = SqliteDatabase::open(dbPath().toUtf8());
        if (!db)
            return db.error();
        return db->runQuery(sql);
    }

    // One column of every row of a query, decoded.
    QStringList column(const QByteArray& sql, const char* column)
    {
        QStringList values;
        auto table = query(sql);
        for (table->goFirst(); !table->atEnd(); table->goNext())
            values << decodeStoreText(table->valueText(column));
        return values;
    }

    // Adds a note row from SQL values in the column order of the table; returns its rowid.
    qint64 addRow(const QByteArray& values)
    {
        SqliteDatabase db = connectTo(dbPath());
        EXPECT_TRUE(db.runStatement("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, "
                                    "color, alpha) values (" +
                                    values + ")"));
        return db.lastInsertRowid();
    }

    qint64 addOpenNote(const QString& text)
    {
        return addRow("'2011/08/26', " + Statements::textLiteral(text) + ", 100, 120, 271, 71, -1, -1, 65408, 200");
    }

    // Two rows that no test means to write: an ended note and a message.
    void addBystanders()
    {
        addRow("'2001/01/01', 'bystander', 1, 2, 271, 71, 0, -1, 65535, 200");
        exec("insert into m_icom_message values ('9:00:00', 'reminder', '2001/01/02')");
    }

    // Every value of both tables with its storage class, byte for byte; note rows only where
    // the condition holds.
    QStringList snapshot(const QByteArray& noteCondition = "1")
    {
        QStringList rows;
        const auto read = [&](const QByteArray& sql) {
            auto table = query(sql);
            for (table->goFirst(); !table->atEnd(); table->goNext())
                rows << QString::fromLatin1(table->valueText("r"));
        };
        QByteArray notes = "select 'note ' || rowid";
        for (const char* column :
             {"f_day", "note", "xpos", "ypos", "width", "height", "term", "visible", "color", "alpha"})
            notes += QByteArray(" || '|' || typeof(") + column + ") || ':' || hex(" + column + ")";
        read(notes + " as r from m_daviv where " + noteCondition + " order by rowid");
        read("select 'message ' || rowid || '|' || typeof(itime) || hex(itime) || '|' || typeof(message) || "
             "hex(message) || '|' || typeof(iday) || hex(iday) as r from m_icom_message order by rowid");
        return rows;
    }
    QStringList snapshotExcept(qint64 id) { return snapshot("rowid <> " + QByteArray::number(id)); }

    // The stored note text of a row, decoded as the restore decodes it.
    QString storedText(qint64 id)
    {
        auto table = query(Statements::noteById(qint32(id)));
        return table->rowCount() == 1 ? decodeStoreText(table->valueText("note")) : QStringLiteral("<no row>");
    }

    QString storedTerm(qint64 id)
    {
        auto table = query(Statements::noteById(qint32(id)));
        return QString::fromLatin1(table->valueText("term"));
    }

    QByteArray fileBytes() const
    {
        QFile file(dbPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Ended notes, which no start shows, enough to spread m_daviv over several pages.
    void addEndedNotes(int count)
    {
        exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < " + QByteArray::number(count) +
             ") insert into m_daviv select '2011/08/26', 'ended note ' || i || ' with some text to fill the page', "
             "10, 20, 271, 71, 0, -1, 65408, 200 from n");
    }

    // Damages a store file as a failing disk might, its header intact: the first leaf page of
    // m_daviv's b-tree gets a wrong count of fragmented bytes, which quick_check finds and which
    // reading and writing rows never look at.
    static void damageNotesPage(const QString& path)
    {
        const int root =
            connectTo(path).runQuery("select rootpage from sqlite_master where name = 'm_daviv'")->valueText(0).toInt();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QByteArray bytes = file.readAll();
        const qsizetype pageSize = qFromBigEndian<quint16>(bytes.constData() + 16);
        const qsizetype rootAt = (root - 1) * pageSize;
        ASSERT_EQ(bytes[rootAt], 0x05) << "m_daviv must span more than its root page";
        const quint16 firstCell = qFromBigEndian<quint16>(bytes.constData() + rootAt + 12);
        const qsizetype leafAt = (qFromBigEndian<quint32>(bytes.constData() + rootAt + firstCell) - 1) * pageSize;
        ASSERT_EQ(bytes[leafAt], 0x0d);
        ASSERT_TRUE(file.seek(leafAt + 7));
        ASSERT_TRUE(file.putChar(60));
    }

    QTemporaryDir dir;
    NoteStore store;
};
