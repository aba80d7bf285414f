#pragma once

#include "platform/ErrorReport.h"
#include "platform/FakeDesktop.h"
#include "platform/StoreText.h"
#include "store/NoteStore.h"
#include "store/uSqliteDo.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

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

// Polls the event loop until the condition holds, for at most five seconds.
#define EXPECT_EVENTUALLY(condition) EXPECT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition
#define ASSERT_EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition

// A fresh store folder with a fake desktop pointing at it, and a recorder in place of the
// error report's message box.
class TStoreFixture : public ::testing::Test {
protected:
    TStoreFixture() : Desktop(Dir.path()), Store(Dir.path())
    {
        SetErrorReporter([this](const QString& text) { Reports << text; });
    }
    ~TStoreFixture() override { SetErrorReporter({}); }

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
    TFakeDesktop Desktop;
    TNoteStore Store;
    QStringList Reports;
};
