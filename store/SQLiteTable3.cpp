#include "store/SQLiteTable3.h"

#include "platform/StoreText.h"

#include <QDebug>

namespace {

struct TFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using TStatement = std::unique_ptr<sqlite3_stmt, TFinalizer>;

QString FileNameText(const QByteArray& fileName)
{
    return QString::fromUtf8(fileName);
}

// Prepares the first statement of sql; the rest of the text is ignored.
TStatement Prepare(TSQLiteDatabase& db, const QByteArray& sql)
{
    sqlite3_stmt* raw = nullptr;
    const char* rest = nullptr;
    const int rc = sqlite3_prepare_v2(db.Handle(), sql.constData(), -1, &raw, &rest);
    TStatement statement(raw);
    if (rc != SQLITE_OK)
        db.FailWithSQLiteError(QStringLiteral("Error executing SQL"), sql);
    if (!statement)
        db.FailWithSQLiteError(QStringLiteral("Could not prepare SQL statement"), sql);
    return statement;
}

int KindOfDeclaredType(const char* declared, int firstValueType)
{
    if (!declared)
        return firstValueType;
    const QByteArray type(declared);
    if (type == "INTEGER" || type == "BOOLEAN")
        return TSQLiteTable::KindInteger;
    if (type == "NUMERIC" || type == "FLOAT" || type == "DOUBLE" || type == "REAL")
        return TSQLiteTable::KindFloat;
    if (type == "BLOB")
        return TSQLiteTable::KindBlob;
    return TSQLiteTable::KindText;
}

} // namespace

QString SQLiteResultText(int code)
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

TSQLiteDatabase::TSQLiteDatabase(const QByteArray& fileName)
{
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open(fileName.constData(), &handle);
    FHandle.reset(handle);
    if (rc != SQLITE_OK) {
        if (handle) {
            const QString detail = QString::fromUtf8(sqlite3_errmsg(handle));
            throw ESQLiteException(
                QStringLiteral("Failed to open database \"%1\" : %2").arg(FileNameText(fileName), detail), rc, detail);
        }
        throw ESQLiteException(
            QStringLiteral("Failed to open database \"%1\" : unknown error").arg(FileNameText(fileName)));
    }
}

TSQLiteDatabase::~TSQLiteDatabase()
{
    if (FInTransaction) {
        try {
            RollbackIfOpen();
        } catch (const ESQLiteException& e) {
            // Closing still releases the connection; SQLite drops the open transaction with it.
            qWarning("rollback on close failed: %s", e.what());
        }
    }
}

void TSQLiteDatabase::RunStatement(const QByteArray& sql)
{
    TStatement statement = Prepare(*this, sql);
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        sqlite3_reset(statement.get());
        FailWithSQLiteError(QStringLiteral("Error executing SQL statement"), sql);
    }
}

std::unique_ptr<TSQLiteTable> TSQLiteDatabase::RunQuery(const QByteArray& sql)
{
    return std::make_unique<TSQLiteTable>(*this, sql);
}

bool TSQLiteDatabase::HasTable(const QByteArray& name)
{
    const QByteArray sql =
        "select [sql] from sqlite_master where [type] = 'table' and lower(name) = '" + name.toLower() + "' ";
    return RunQuery(sql)->RowCount() > 0;
}

void TSQLiteDatabase::StartTransaction()
{
    if (FInTransaction)
        throw ESQLiteException(QStringLiteral("Transaction already open"));
    RunStatement("BEGIN TRANSACTION");
    FInTransaction = true;
}

void TSQLiteDatabase::CommitTransaction()
{
    RunStatement("COMMIT");
    FInTransaction = false;
}

void TSQLiteDatabase::RollbackTransaction()
{
    RunStatement("ROLLBACK");
    FInTransaction = false;
}

void TSQLiteDatabase::RollbackIfOpen()
{
    if (sqlite3_get_autocommit(Handle()))
        FInTransaction = false;
    else
        RollbackTransaction();
}

void TSQLiteDatabase::FailWithSQLiteError(const QString& message, const QByteArray& sql)
{
    const int code = sqlite3_errcode(Handle());
    const char* detail = code != SQLITE_OK ? sqlite3_errmsg(Handle()) : nullptr;
    if (code != SQLITE_OK && detail) {
        const QString text = QString::fromUtf8(detail);
        throw ESQLiteException(message +
                                   QStringLiteral(".\rError [%1]: %2.\r\"").arg(code).arg(SQLiteResultText(code)) +
                                   DecodeSqlText(sql) + QStringLiteral("\": ") + text,
                               code, text);
    }
    throw ESQLiteException(message);
}

TSQLiteTable::TSQLiteTable(TSQLiteDatabase& db, const QByteArray& sql)
{
    TStatement statement = Prepare(db, sql);
    sqlite3_stmt* s = statement.get();
    int rc = sqlite3_step(s);
    while (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY)
            throw ESQLiteException(QStringLiteral("Could not prepare SQL statement"), rc,
                                   QString::fromUtf8(sqlite3_errstr(rc)));
        if (rc != SQLITE_ROW) {
            sqlite3_reset(s);
            db.FailWithSQLiteError(QStringLiteral("Could not retrieve data"), sql);
        }
        ++FRowCount;
        if (FRowCount == 1) {
            FColumnCount = sqlite3_column_count(s);
            for (int i = 0; i < FColumnCount; ++i) {
                FColumnNames << QByteArray(sqlite3_column_name(s, i)).toUpper();
                FColumnKinds << KindOfDeclaredType(sqlite3_column_decltype(s, i), sqlite3_column_type(s, i));
            }
        }
        for (int i = 0; i < FColumnCount; ++i) {
            if (sqlite3_column_type(s, i) == SQLITE_NULL) {
                FCells.emplace_back();
                continue;
            }
            switch (FColumnKinds[i]) {
            case KindInteger:
                FCells.emplace_back(static_cast<qint64>(sqlite3_column_int64(s, i)));
                break;
            case KindFloat:
                FCells.emplace_back(sqlite3_column_double(s, i));
                break;
            case KindBlob: {
                const int size = sqlite3_column_bytes(s, i);
                if (size == 0)
                    FCells.emplace_back();
                else
                    FCells.emplace_back(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)), size));
                break;
            }
            default:
                // Text ends at its first zero byte.
                FCells.emplace_back(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s, i))));
                break;
            }
        }
        rc = sqlite3_step(s);
    }
    FCurrentRow = 0;
}

bool TSQLiteTable::GoFirst()
{
    if (FRowCount == 0)
        return false;
    FCurrentRow = 0;
    return true;
}

bool TSQLiteTable::GoLast()
{
    if (FRowCount == 0)
        return false;
    FCurrentRow = FRowCount - 1;
    return true;
}

bool TSQLiteTable::GoNext()
{
    if (AtEnd())
        return false;
    ++FCurrentRow;
    return true;
}

int TSQLiteTable::ColumnIndex(const QByteArray& name) const
{
    if (FColumnNames.isEmpty())
        throw ESQLiteException(QStringLiteral("Field %1 Not found. Empty dataset").arg(QString::fromUtf8(name)));
    const QByteArray upper = name.toUpper();
    for (int i = 0; i < FColumnNames.size(); ++i)
        if (FColumnNames[i].compare(upper, Qt::CaseInsensitive) == 0)
            return i;
    throw ESQLiteException(QStringLiteral("Field not found in dataset: ") + QString::fromUtf8(name));
}

QByteArray TSQLiteTable::ValueText(const QByteArray& name) const
{
    return ValueText(ColumnIndex(name));
}

const TSQLiteTable::TCell& TSQLiteTable::Cell(int index) const
{
    if (AtEnd())
        throw ESQLiteException(QStringLiteral("Table is at End of File"));
    if (index < 0 || index >= FColumnCount)
        throw ESQLiteException(QStringLiteral("Field not found in dataset: %1").arg(index));
    return FCells[static_cast<size_t>(FCurrentRow) * FColumnCount + index];
}

QByteArray TSQLiteTable::ValueText(int index) const
{
    const TCell& cell = Cell(index);
    switch (FColumnKinds[index]) {
    case KindInteger:
        return QByteArray::number(ValueInteger(index));
    case KindFloat:
        return QByteArray::number(ValueFloat(index), 'g', 15);
    case KindText:
    case KindNull:
        return std::holds_alternative<QByteArray>(cell) ? std::get<QByteArray>(cell) : QByteArray();
    case KindBlob:
        return ValueStreamText(index);
    default:
        return QByteArray();
    }
}

qint64 TSQLiteTable::ValueInteger(int index) const
{
    const TCell& cell = Cell(index);
    if (std::holds_alternative<std::monostate>(cell))
        return 0;
    if (FColumnKinds[index] == KindInteger)
        return std::get<qint64>(cell);
    if (FColumnKinds[index] == KindFloat)
        return static_cast<qint64>(std::get<double>(cell));
    throw ESQLiteException(QStringLiteral("Not an integer or numeric field"));
}

double TSQLiteTable::ValueFloat(int index) const
{
    const TCell& cell = Cell(index);
    if (std::holds_alternative<std::monostate>(cell))
        return 0;
    if (FColumnKinds[index] == KindInteger)
        return static_cast<double>(std::get<qint64>(cell));
    if (FColumnKinds[index] == KindFloat)
        return std::get<double>(cell);
    throw ESQLiteException(QStringLiteral("Not an integer or numeric field"));
}

const QByteArray* TSQLiteTable::ValueStream(int index) const
{
    const TCell& cell = Cell(index);
    if (std::holds_alternative<std::monostate>(cell))
        return nullptr;
    if (FColumnKinds[index] != KindBlob)
        throw ESQLiteException(QStringLiteral("Not a Blob field %1").arg(FColumnKinds[index]));
    return &std::get<QByteArray>(cell);
}

QByteArray TSQLiteTable::ValueStreamText(int index) const
{
    const QByteArray* stream = ValueStream(index);
    return stream ? *stream : QByteArray();
}
