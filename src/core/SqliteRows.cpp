#include "core/SqliteRows.h"

#include "core/Error.h"
#include "core/SqliteDatabase.h"

StoreResult<SqliteRows> SqliteRows::read(SqliteDatabase& db, const QByteArray& sql)
{
    StoreResult<SqliteDatabase::Statement> prepared = db.prepare(sql);
    if (!prepared)
        return prepared.error();
    sqlite3_stmt* s = prepared->get();
    SqliteRows rows;
    int rc = sqlite3_step(s);
    while (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY)
            return StoreError(QStringLiteral("Could not prepare SQL statement"), rc,
                              QString::fromUtf8(sqlite3_errstr(rc)));
        if (rc != SQLITE_ROW) {
            sqlite3_reset(s);
            return db.failure(QStringLiteral("Could not retrieve data"), sql);
        }
        ++rows.m_rowCount;
        if (rows.m_rowCount == 1) {
            rows.m_columnCount = sqlite3_column_count(s);
            for (int i = 0; i < rows.m_columnCount; ++i) {
                rows.m_columnNames << QByteArray(sqlite3_column_name(s, i)).toUpper();
                rows.m_columnKinds << kindOf(sqlite3_column_decltype(s, i), sqlite3_column_type(s, i));
            }
        }
        for (int i = 0; i < rows.m_columnCount; ++i) {
            std::vector<Cell>& cells = rows.m_cells;
            if (sqlite3_column_type(s, i) == SQLITE_NULL) {
                cells.emplace_back();
                continue;
            }
            switch (rows.m_columnKinds[i]) {
            case KindInteger:
                cells.emplace_back(static_cast<qint64>(sqlite3_column_int64(s, i)));
                break;
            case KindFloat:
                cells.emplace_back(sqlite3_column_double(s, i));
                break;
            case KindBlob: {
                const int size = sqlite3_column_bytes(s, i);
                if (size == 0)
                    cells.emplace_back();
                else
                    cells.emplace_back(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)), size));
                break;
            }
            default:
                // Text ends at its first zero byte.
                cells.emplace_back(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s, i))));
                break;
            }
        }
        rc = sqlite3_step(s);
    }
    return rows;
}

// The kind of a column is decided on the first row: by its declared type, compared whole and
// with case, or for an expression column by the type of its first value.
int SqliteRows::kindOf(const char* declaredType, int firstValueType)
{
    if (!declaredType)
        return firstValueType;
    const QByteArray type(declaredType);
    if (type == "INTEGER" || type == "BOOLEAN")
        return KindInteger;
    if (type == "NUMERIC" || type == "FLOAT" || type == "DOUBLE" || type == "REAL")
        return KindFloat;
    if (type == "BLOB")
        return KindBlob;
    return KindText;
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
        throw Error(QStringLiteral("Field %1 Not found. Empty dataset").arg(QString::fromUtf8(name)));
    const QByteArray upper = name.toUpper();
    for (int i = 0; i < m_columnNames.size(); ++i)
        if (m_columnNames[i].compare(upper, Qt::CaseInsensitive) == 0)
            return i;
    throw Error(QStringLiteral("Field not found in dataset: ") + QString::fromUtf8(name));
}

QByteArray SqliteRows::valueText(const QByteArray& name) const
{
    return valueText(columnIndex(name));
}

const SqliteRows::Cell& SqliteRows::cellAt(int index) const
{
    if (atEnd())
        throw Error(QStringLiteral("Table is at End of File"));
    if (index < 0 || index >= m_columnCount)
        throw Error(QStringLiteral("Field not found in dataset: %1").arg(index));
    return m_cells[static_cast<size_t>(m_currentRow) * m_columnCount + index];
}

QByteArray SqliteRows::valueText(int index) const
{
    const Cell& cell = cellAt(index);
    // The cells of a column all hold its kind's value, or nothing.
    switch (m_columnKinds[index]) {
    case KindInteger:
        return QByteArray::number(std::holds_alternative<qint64>(cell) ? std::get<qint64>(cell) : 0);
    case KindFloat:
        return QByteArray::number(std::holds_alternative<double>(cell) ? std::get<double>(cell) : 0.0, 'g', 15);
    default:
        return std::holds_alternative<QByteArray>(cell) ? std::get<QByteArray>(cell) : QByteArray();
    }
}
