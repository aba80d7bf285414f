#pragma once

#include "platform/StoreText.h"
#include "store/NoteStore.h"
#include "store/uSqliteDo.h"

#include <QStringList>
#include <QTemporaryDir>

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
class TStoreFixture : public ::testing::Test {
protected:
    TStoreFixture() : Store(Dir.path()) {}

    QString DbPath() const { return Dir.filePath(QString::fromLatin1(StoreFileName)); }

    void Prepare()
    {
        TSQLiteDo store(Dir.path());
        store.PrepareStore(QString::fromLatin1(StoreFileName));
    }

    void Exec(const QByteArray& sql)
    {
        TSQLiteDatabase db(DbPath().toUtf8());
        db.RunStatement(sql);
    }

    std::unique_ptr<TSQLiteTable> Query(const QByteArray& sql)
    {
        TSQLiteDatabase db(DbPath().toUtf8());
        return db.RunQuery(sql);
    }

    // One column of every row of a query, decoded.
    QStringList Column(const QByteArray& sql, const char* column)
    {
        QStringList values;
        auto table = Query(sql);
        for (table->GoFirst(); !table->AtEnd(); table->GoNext())
            values << DecodeStoreText(table->ValueText(column));
        return values;
    }

    QTemporaryDir Dir;
    TNoteStore Store;
};
