#pragma once

#include "StoreText.h"
#include "NoteStore.h"
#include "StoreStatements.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '"' << bytes.toStdString() << '"';
}

// A fresh store folder, the store on it, and direct access to the file for what a test sets
// up or looks at.
class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() : store(dir.path()) {}

    QString dbPath() const { return dir.filePath(QString::fromLatin1(StoreFileName)); }

    void prepare()
    {
        StoreConnection store(dir.path());
        store.prepareStore(QString::fromLatin1(StoreFileName));
    }

    void exec(const QByteArray& sql)
    {
        SqliteDatabase db(dbPath().toUtf8());
        db.runStatement(sql);
    }

    std::unique_ptr<SqliteRows> query(const QByteArray& sql)
    {
        SqliteDatabase db(dbPath().toUtf8());
        return db.runQuery(sql);
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
        int root = 0;
        {
            SqliteDatabase db(path.toUtf8());
            root = db.runQuery("select rootpage from sqlite_master where name = 'm_daviv'")->valueText(0).toInt();
        }
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
