#pragma once

#include "store/SQLiteError.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

#include <sqlite3.h>

// English text of an SQLite result code, as the layer's messages quote it.
QString SQLiteResultText(int code);

class TSQLiteTable;

// One open connection. Text crosses it as the caller's 8-bit bytes, unconverted.
class TSQLiteDatabase {
public:
    // fileName must already be UTF-8.
    explicit TSQLiteDatabase(const QByteArray& fileName);
    ~TSQLiteDatabase();
    TSQLiteDatabase(const TSQLiteDatabase&) = delete;
    TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

    void RunStatement(const QByteArray& sql);
    std::unique_ptr<TSQLiteTable> RunQuery(const QByteArray& sql);
    bool HasTable(const QByteArray& name);
    void StartTransaction();
    void CommitTransaction();
    void RollbackTransaction();
    [[noreturn]] void FailWithSQLiteError(const QString& message, const QByteArray& sql);

    // Ends a transaction after a failure: SQLite rolls some failures back by itself (a full
    // disk, for one), and a ROLLBACK then would only replace the real error with its own.
    void RollbackIfOpen();
    // Rows the last statement inserted, changed or deleted.
    int Changes() const { return sqlite3_changes(Handle()); }

    sqlite3* Handle() const { return FHandle.get(); }
    bool InTransaction() const { return FInTransaction; }

private:
    struct TCloser {
        void operator()(sqlite3* handle) const { sqlite3_close(handle); }
    };
    std::unique_ptr<sqlite3, TCloser> FHandle;
    bool FInTransaction = false;
};

// The complete result of one query, read into memory by the constructor.
class TSQLiteTable {
public:
    enum TKind { KindInteger = 1, KindFloat = 2, KindText = 3, KindBlob = 4, KindNull = 5 };

    TSQLiteTable(TSQLiteDatabase& db, const QByteArray& sql);

    quint32 RowCount() const { return FRowCount; }
    int ColumnCount() const { return FColumnCount; }
    quint32 CurrentRow() const { return FCurrentRow; }
    const QList<QByteArray>& ColumnNames() const { return FColumnNames; }
    const QList<int>& ColumnKinds() const { return FColumnKinds; }

    bool AtEnd() const { return FCurrentRow >= FRowCount; }
    bool GoFirst();
    bool GoLast();
    bool GoNext();

    int ColumnIndex(const QByteArray& name) const;
    QByteArray ValueText(const QByteArray& name) const;
    QByteArray ValueText(const char* name) const { return ValueText(QByteArray(name)); }
    QByteArray ValueText(int index) const;
    qint64 ValueInteger(int index) const;
    double ValueFloat(int index) const;
    // The blob of the cell, owned by the table; null for an empty cell.
    const QByteArray* ValueStream(int index) const;
    QByteArray ValueStreamText(int index) const;

private:
    // Empty, an integer, a float, or the bytes of a text or blob cell.
    using TCell = std::variant<std::monostate, qint64, double, QByteArray>;
    const TCell& Cell(int index) const;

    quint32 FRowCount = 0;
    int FColumnCount = 0;
    quint32 FCurrentRow = 0;
    QList<QByteArray> FColumnNames;
    QList<int> FColumnKinds;
    std::vector<TCell> FCells;
};
