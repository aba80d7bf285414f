#include "core/SqliteDatabase.h"

#include "core/StoreText.h"

#include <QUrl>

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

StoreResult<SqliteDatabase> SqliteDatabase::open(const QByteArray& path, OpenMode mode)
{
    const int flags = mode == OpenMode::Create      ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                      : mode == OpenMode::ReadWrite ? SQLITE_OPEN_READWRITE
                                                    : SQLITE_OPEN_READONLY;
    sqlite3* handle = nullptr;
    const QByteArray name =
        mode == OpenMode::Immutable ? QUrl::fromLocalFile(QString::fromUtf8(path)).toEncoded() + "?immutable=1" : path;
    const int rc = sqlite3_open_v2(name.constData(), &handle,
                                   mode == OpenMode::Immutable ? flags | SQLITE_OPEN_URI : flags, nullptr);
    // A connection that failed to open still has to be closed.
    SqliteDatabase db(handle);
    if (rc == SQLITE_OK)
        return db;
    const QString file = QString::fromUtf8(path);
    if (!handle)
        return StoreError(QStringLiteral("Failed to open database \"%1\" : unknown error").arg(file), rc,
                          QString::fromUtf8(sqlite3_errstr(rc)));
    const QString detail = QString::fromUtf8(sqlite3_errmsg(handle));
    return StoreError(QStringLiteral("Failed to open database \"%1\" : %2").arg(file, detail), rc, detail);
}

StoreResult<SqliteDatabase::Statement> SqliteDatabase::prepare(const QByteArray& sql)
{
    sqlite3_stmt* raw = nullptr;
    const char* rest = nullptr;
    const int rc = sqlite3_prepare_v2(handle(), sql.constData(), -1, &raw, &rest);
    Statement statement(raw);
    if (rc != SQLITE_OK)
        return failure(QStringLiteral("Error executing SQL"), sql);
    if (!statement)
        return failure(QStringLiteral("Could not prepare SQL statement"), sql);
    return statement;
}

StoreResult<> SqliteDatabase::runStatement(const QByteArray& sql)
{
    StoreResult<Statement> statement = prepare(sql);
    if (!statement)
        return statement.error();
    if (sqlite3_step(statement->get()) != SQLITE_DONE) {
        sqlite3_reset(statement->get());
        return failure(QStringLiteral("Error executing SQL statement"), sql);
    }
    return {};
}

StoreResult<SqliteRows> SqliteDatabase::runQuery(const QByteArray& sql)
{
    return SqliteRows::read(*this, sql);
}

StoreResult<bool> SqliteDatabase::hasTable(const QByteArray& name)
{
    const StoreResult<SqliteRows> rows =
        runQuery("select [sql] from sqlite_master where [type] = 'table' and lower(name) = '" + name.toLower() + "' ");
    if (!rows)
        return rows.error();
    return rows->rowCount() > 0;
}

StoreError SqliteDatabase::failure(const QString& message, const QByteArray& sql) const
{
    const int code = sqlite3_errcode(handle());
    const char* detail = code != SQLITE_OK ? sqlite3_errmsg(handle()) : nullptr;
    if (code == SQLITE_OK || !detail)
        return StoreError(message);
    const QString text = QString::fromUtf8(detail);
    return StoreError(message + QStringLiteral(".\rError [%1]: %2.\r\"").arg(code).arg(sqLiteResultText(code)) +
                          decodeSqlText(sql) + QStringLiteral("\": ") + text,
                      code, text);
}

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    sqlite3_bind_text(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt* statement, int index)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, index)),
                             sqlite3_column_bytes(statement, index));
}

StoreResult<> SqliteDatabase::runPrepared(sqlite3_stmt* statement, const QByteArray& sql, const QString& message)
{
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (rc != SQLITE_DONE)
        return failure(message, sql);
    return {};
}
