#pragma once

#include "core/SqliteRows.h"
#include "core/StoreError.h"

#include <QByteArray>
#include <QString>

#include <sqlite3.h>

#include <memory>

// English text of an SQLite result code, as the layer's messages quote it.
QString sqLiteResultText(int code);

// A text value bound to a prepared statement's parameter, and a text column read, as UTF-8:
// for the program's own tables, whose texts carry no stored encoding of their own.
void bindText(sqlite3_stmt* statement, int index, const QString& text);
QString columnText(sqlite3_stmt* statement, int index);

// One open connection to a database file, closed when it goes; SQLite rolls back a transaction
// still open then. Text crosses it as the caller's 8-bit bytes, unconverted. Every failure
// SQLite reports comes back as a StoreError worded as the access layer words it.
class SqliteDatabase {
public:
    enum class OpenMode {
        Create,    // read and write, the file made when missing
        ReadWrite, // a missing file stays missing
        ReadOnly,
        // Read-only, without locks or a look for a journal: for a file nobody writes in place,
        // only replaces whole.
        Immutable,
    };

    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

    // path must already be UTF-8.
    static StoreResult<SqliteDatabase> open(const QByteArray& path, OpenMode mode = OpenMode::Create);

    // Runs the first statement of sql, which yields no rows; the rest of the text is ignored.
    StoreResult<> runStatement(const QByteArray& sql);
    // Runs a query and reads its whole result.
    StoreResult<SqliteRows> runQuery(const QByteArray& sql);
    // Whether a table of that name exists, the case of its name aside.
    StoreResult<bool> hasTable(const QByteArray& name);
    // Prepares the first statement of sql.
    StoreResult<Statement> prepare(const QByteArray& sql);

    // How long a statement waits for another connection's lock; by default it fails at once.
    void setLockWait(int milliseconds) { sqlite3_busy_timeout(handle(), milliseconds); }
    // Rows the last statement inserted, changed or deleted.
    int changes() const { return sqlite3_changes(handle()); }
    qint64 lastInsertRowid() const { return sqlite3_last_insert_rowid(handle()); }
    bool inTransaction() const { return !sqlite3_get_autocommit(handle()); }
    sqlite3* handle() const { return m_handle.get(); }

    // The failure SQLite holds for the last call on this connection: the message, then SQLite's
    // code, the code's text, the statement and SQLite's own text; the message alone when SQLite
    // reports none.
    StoreError failure(const QString& message, const QByteArray& sql) const;

    // Runs a prepared statement that yields no rows, its values bound, and makes it ready for
    // the next values; a failure is worded with the message.
    StoreResult<> runPrepared(sqlite3_stmt* statement, const QByteArray& sql, const QString& message);

private:
    struct Closer {
        void operator()(sqlite3* handle) const { sqlite3_close(handle); }
    };
    explicit SqliteDatabase(sqlite3* handle) : m_handle(handle) {}

    std::unique_ptr<sqlite3, Closer> m_handle;
};
