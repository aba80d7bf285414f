#include "core/SqliteTransaction.h"

#include "core/Error.h"
#include "core/SqliteDatabase.h"

#include <QDebug>

StoreResult<SqliteTransaction> SqliteTransaction::begin(SqliteDatabase& db)
{
    if (db.inTransaction())
        throw Error(QStringLiteral("Transaction already open"));
    if (StoreResult<> begun = db.runStatement("BEGIN TRANSACTION"); !begun)
        return begun.error();
    return SqliteTransaction(db);
}

SqliteTransaction::SqliteTransaction(SqliteTransaction&& other) noexcept : m_db(std::exchange(other.m_db, nullptr)) {}

SqliteTransaction::~SqliteTransaction()
{
    if (!m_db || !m_db->inTransaction())
        return;
    if (const StoreResult<> rolledBack = m_db->runStatement("ROLLBACK"); !rolledBack)
        // Closing the connection still drops the transaction.
        qWarning("rollback failed: %s", qUtf8Printable(rolledBack.error().message()));
}

StoreResult<> SqliteTransaction::commit()
{
    if (StoreResult<> committed = m_db->runStatement("COMMIT"); !committed)
        return committed;
    m_db = nullptr;
    return {};
}
