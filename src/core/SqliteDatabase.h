#pragma once

#include "StoreError.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

#include <sqlite3.h>

// English text of an SQLite result code, as the layer's messages quote it.
QString sqLiteResultText(int code);

class SqliteRows;

// One open connection. Text crosses it as the caller's 8-bit bytes, unconverted.
class SqliteDatabase {
public:
    // fileName must already be UTF-8.
    explicit SqliteDatabase(const QByteArray& fileName);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void runStatement(const QByteArray& sql);
    std::unique_ptr<SqliteRows> runQuery(const QByteArray& sql);
    bool hasTable(const QByteArray& name);
    void startTransaction();
    void commitTransaction();
    void rollbackTransaction();
    [[noreturn]] void failWithSQLiteError(const QString& message, const QByteArray& sql);

    // Ends a transaction after a failure: SQLite rolls some failures back by itself (a full
    // disk, for one), and a ROLLBACK then would only replace the real error with its own.
    void rollbackIfOpen();
    // Rows the last statement inserted, changed or deleted.
    int changes() const { return sqlite3_changes(handle()); }

    sqlite3* handle() const { return m_handle.get(); }
    bool inTransaction() const { return m_inTransaction; }

private:
    struct Closer {
        void operator()(sqlite3* handle) const { sqlite3_close(handle); }
    };
    std::unique_ptr<sqlite3, Closer> m_handle;
    bool m_inTransaction = false;
};

// The complete result of one query, read into memory by the constructor.
class SqliteRows {
public:
    enum Kind { KindInteger = 1, KindFloat = 2, KindText = 3, KindBlob = 4, KindNull = 5 };

    SqliteRows(SqliteDatabase& db, const QByteArray& sql);

    quint32 rowCount() const { return m_rowCount; }
    int columnCount() const { return m_columnCount; }
    quint32 currentRow() const { return m_currentRow; }
    const QList<QByteArray>& columnNames() const { return m_columnNames; }
    const QList<int>& columnKinds() const { return m_columnKinds; }

    bool atEnd() const { return m_currentRow >= m_rowCount; }
    bool goFirst();
    bool goLast();
    bool goNext();

    int columnIndex(const QByteArray& name) const;
    QByteArray valueText(const QByteArray& name) const;
    QByteArray valueText(const char* name) const { return valueText(QByteArray(name)); }
    QByteArray valueText(int index) const;
    qint64 valueInteger(int index) const;
    double valueFloat(int index) const;
    // The blob of the cell, owned by the table; null for an empty cell.
    const QByteArray* valueStream(int index) const;
    QByteArray valueStreamText(int index) const;

private:
    // Empty, an integer, a float, or the bytes of a text or blob cell.
    using Cell = std::variant<std::monostate, qint64, double, QByteArray>;
    const Cell& cellAt(int index) const;

    quint32 m_rowCount = 0;
    int m_columnCount = 0;
    quint32 m_currentRow = 0;
    QList<QByteArray> m_columnNames;
    QList<int> m_columnKinds;
    std::vector<Cell> m_cells;
};
