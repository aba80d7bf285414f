#pragma once

#include "core/StoreError.h"

class SqliteDatabase;

// One transaction on a connection, from begin() to commit(). Gone uncommitted, it is rolled
// back, unless SQLite has rolled it back already (a full disk does): a ROLLBACK then would only
// fail, and nothing may take the place of the failure that ended the transaction.
class SqliteTransaction {
public:
    // Begins a transaction; the connection must not be in one already.
    static StoreResult<SqliteTransaction> begin(SqliteDatabase& db);

    SqliteTransaction(SqliteTransaction&& other) noexcept;
    SqliteTransaction& operator=(SqliteTransaction&&) = delete;
    ~SqliteTransaction();

    StoreResult<> commit();

private:
    explicit SqliteTransaction(SqliteDatabase& db) : m_db(&db) {}

    // None once committed.
    SqliteDatabase* m_db;
};
