#include "SqliteDatabase.h"

#include "StoreText.h"

#include <QDebug>

namespace {

struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

QString fileNameText(const QByteArray& fileName)
{
    return QString::fromUtf8(fileName);
}

// Prepares the first statement of sql; the rest of the text is ignored.
Statement prepare(SqliteDatabase& db, const QByteArray& sql)
{
    sqlite3_stmt* raw = nullptr;
    const char* rest = nullptr;
    const int rc = sqlite3_prepare_v2(db.handle(), sql.constData(), -1, &raw, &rest);
    Statement statement(raw);
    if (rc != SQLITE_OK)
        db.failWithSQLiteError(QStringLiteral("Error executing SQL"), sql);
    if (!statement)
        db.failWithSQLiteError(QStringLiteral("Could not prepare SQL statement"), sql);
    return statement;
}

int kindOfDeclaredType(const char* declared, int firstValueType)
{
    if (!declared)
        return firstValueType;
    const QByteArray type(declared);
    if (type == "INTEGER" || type == "BOOLEAN")
        return SqliteRows::KindInteger;
    if (type == "NUMERIC" || type == "FLOAT" || type == "DOUBLE" || type == "REAL")
        return SqliteRows::KindFloat;
    if (type == "BLOB")
        return SqliteRows::KindBlob;
    return SqliteRows::KindText;
}

} // namespace

QString sqLiteResultText(int code)
{
    static const char* const texts[] = {
        "Successful result",
        "SQL error or missing database",
        "An internal logic error in SQLite",
        "Access permission denied",
        "Callback routine requested an abort",
        "The database file is locked",
        "A table in the database is locked",
        "A malloc() failed",
        "Attempt to write a readonly database",
        "Operation terminated by sqlite3_interrupt()",
        "Some kind of disk I/O error occurred",
        "The database disk image is malformed",
        "(Internal Only) Table or record not found",
        "Insertion failed because database is full",
        "Unable to open the database file",
        "Database lock protocol error",
        "Database is empty",
        "The database schema changed",
        "Too much data for one row of a table",
        "Abort due to contraint violation",
        "Data type mismatch",
        "Library used incorrectly",
        "Uses OS features not supported on host",
        "Authorization denied",
        "Auxiliary database format error",
        "2nd parameter to sqlite3_bind out of range",
        "File opened that is not a database file",
    };
    if (code >= 0 && code < static_cast<int>(std::size(texts)))
        return QString::fromLatin1(texts[code]);
    if (code == SQLITE_ROW)
        return QStringLiteral("sqlite3_step() has another row ready");
    if (code == SQLITE_DONE)
        return QStringLiteral("sqlite3_step() has finished executing");
    return QStringLiteral("Unknown SQLite Error Code \"%1\"").arg(code);
}

SqliteDatabase::SqliteDatabase(const QByteArray& fileName)
{
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open(fileName.constData(), &handle);
    m_handle.reset(handle);
    if (rc != SQLITE_OK) {
        if (handle) {
            const QString detail = QString::fromUtf8(sqlite3_errmsg(handle));
            throw StoreError(QStringLiteral("Failed to open database \"%1\" : %2").arg(fileNameText(fileName), detail),
                             rc, detail);
        }
        throw StoreError(QStringLiteral("Failed to open database \"%1\" : unknown error").arg(fileNameText(fileName)));
    }
}

SqliteDatabase::~SqliteDatabase()
{
    if (m_inTransaction) {
        try {
            rollbackIfOpen();
        } catch (const StoreError& e) {
            // Closing still releases the connection; SQLite drops the open transaction with it.
            qWarning("rollback on close failed: %s", e.what());
        }
    }
}

void SqliteDatabase::runStatement(const QByteArray& sql)
{
    Statement statement = prepare(*this, sql);
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        sqlite3_reset(statement.get());
        failWithSQLiteError(QStringLiteral("Error executing SQL statement"), sql);
    }
}

std::unique_ptr<SqliteRows> SqliteDatabase::runQuery(const QByteArray& sql)
{
    return std::make_unique<SqliteRows>(*this, sql);
}

bool SqliteDatabase::hasTable(const QByteArray& name)
{
    const QByteArray sql =
        "select [sql] from sqlite_master where [type] = 'table' and lower(name) = '" + name.toLower() + "' ";
    return runQuery(sql)->rowCount() > 0;
}

void SqliteDatabase::startTransaction()
{
    if (m_inTransaction)
        throw StoreError(QStringLiteral("Transaction already open"));
    runStatement("BEGIN TRANSACTION");
    m_inTransaction = true;
}

void SqliteDatabase::commitTransaction()
{
    runStatement("COMMIT");
    m_inTransaction = false;
}

void SqliteDatabase::rollbackTransaction()
{
    runStatement("ROLLBACK");
    m_inTransaction = false;
}

void SqliteDatabase::rollbackIfOpen()
{
    if (sqlite3_get_autocommit(handle()))
        m_inTransaction = false;
    else
        rollbackTransaction();
}

void SqliteDatabase::failWithSQLiteError(const QString& message, const QByteArray& sql)
{
    const int code = sqlite3_errcode(handle());
    const char* detail = code != SQLITE_OK ? sqlite3_errmsg(handle()) : nullptr;
    if (code != SQLITE_OK && detail) {
        const QString text = QString::fromUtf8(detail);
        throw StoreError(message + QStringLiteral(".\rError [%1]: %2.\r\"").arg(code).arg(sqLiteResultText(code)) +
                             decodeSqlText(sql) + QStringLiteral("\": ") + text,
                         code, text);
    }
    throw StoreError(message);
}

SqliteRows::SqliteRows(SqliteDatabase& db, const QByteArray& sql)
{
    Statement statement = prepare(db, sql);
    sqlite3_stmt* s = statement.get();
    int rc = sqlite3_step(s);
    while (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY)
            throw StoreError(QStringLiteral("Could not prepare SQL statement"), rc,
                             QString::fromUtf8(sqlite3_errstr(rc)));
        if (rc != SQLITE_ROW) {
            sqlite3_reset(s);
            db.failWithSQLiteError(QStringLiteral("Could not retrieve data"), sql);
        }
        ++m_rowCount;
        if (m_rowCount == 1) {
            m_columnCount = sqlite3_column_count(s);
            for (int i = 0; i < m_columnCount; ++i) {
                m_columnNames << QByteArray(sqlite3_column_name(s, i)).toUpper();
                m_columnKinds << kindOfDeclaredType(sqlite3_column_decltype(s, i), sqlite3_column_type(s, i));
            }
        }
        for (int i = 0; i < m_columnCount; ++i) {
            if (sqlite3_column_type(s, i) == SQLITE_NULL) {
                m_cells.emplace_back();
                continue;
            }
            switch (m_columnKinds[i]) {
            case KindInteger:
                m_cells.emplace_back(static_cast<qint64>(sqlite3_column_int64(s, i)));
                break;
            case KindFloat:
                m_cells.emplace_back(sqlite3_column_double(s, i));
                break;
            case KindBlob: {
                const int size = sqlite3_column_bytes(s, i);
                if (size == 0)
                    m_cells.emplace_back();
                else
                    m_cells.emplace_back(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)), size));
                break;
            }
            default:
                // Text ends at its first zero byte.
                m_cells.emplace_back(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s, i))));
                break;
            }
        }
        rc = sqlite3_step(s);
    }
    m_currentRow = 0;
}

bool SqliteRows::goFirst()
{
    if (m_rowCount == 0)
        return false;
    m_currentRow = 0;
    return true;
}

bool SqliteRows::goLast()
{
    if (m_rowCount == 0)
        return false;
    m_currentRow = m_rowCount - 1;
    return true;
}

bool SqliteRows::goNext()
{
    if (atEnd())
        return false;
    ++m_currentRow;
    return true;
}

int SqliteRows::columnIndex(const QByteArray& name) const
{
    if (m_columnNames.isEmpty())
        throw StoreError(QStringLiteral("Field %1 Not found. Empty dataset").arg(QString::fromUtf8(name)));
    const QByteArray upper = name.toUpper();
    for (int i = 0; i < m_columnNames.size(); ++i)
        if (m_columnNames[i].compare(upper, Qt::CaseInsensitive) == 0)
            return i;
    throw StoreError(QStringLiteral("Field not found in dataset: ") + QString::fromUtf8(name));
}

QByteArray SqliteRows::valueText(const QByteArray& name) const
{
    return valueText(columnIndex(name));
}

const SqliteRows::Cell& SqliteRows::cellAt(int index) const
{
    if (atEnd())
        throw StoreError(QStringLiteral("Table is at End of File"));
    if (index < 0 || index >= m_columnCount)
        throw StoreError(QStringLiteral("Field not found in dataset: %1").arg(index));
    return m_cells[static_cast<size_t>(m_currentRow) * m_columnCount + index];
}

QByteArray SqliteRows::valueText(int index) const
{
    const Cell& cell = cellAt(index);
    switch (m_columnKinds[index]) {
    case KindInteger:
        return QByteArray::number(valueInteger(index));
    case KindFloat:
        return QByteArray::number(valueFloat(index), 'g', 15);
    case KindText:
    case KindNull:
        return std::holds_alternative<QByteArray>(cell) ? std::get<QByteArray>(cell) : QByteArray();
    case KindBlob:
        return valueStreamText(index);
    default:
        return QByteArray();
    }
}

qint64 SqliteRows::valueInteger(int index) const
{
    const Cell& cell = cellAt(index);
    if (std::holds_alternative<std::monostate>(cell))
        return 0;
    if (m_columnKinds[index] == KindInteger)
        return std::get<qint64>(cell);
    if (m_columnKinds[index] == KindFloat)
        return static_cast<qint64>(std::get<double>(cell));
    throw StoreError(QStringLiteral("Not an integer or numeric field"));
}

double SqliteRows::valueFloat(int index) const
{
    const Cell& cell = cellAt(index);
    if (std::holds_alternative<std::monostate>(cell))
        return 0;
    if (m_columnKinds[index] == KindInteger)
        return static_cast<double>(std::get<qint64>(cell));
    if (m_columnKinds[index] == KindFloat)
        return std::get<double>(cell);
    throw StoreError(QStringLiteral("Not an integer or numeric field"));
}

const QByteArray* SqliteRows::valueStream(int index) const
{
    const Cell& cell = cellAt(index);
    if (std::holds_alternative<std::monostate>(cell))
        return nullptr;
    if (m_columnKinds[index] != KindBlob)
        throw StoreError(QStringLiteral("Not a Blob field %1").arg(m_columnKinds[index]));
    return &std::get<QByteArray>(cell);
}

QByteArray SqliteRows::valueStreamText(int index) const
{
    const QByteArray* stream = valueStream(index);
    return stream ? *stream : QByteArray();
}
