#pragma once

#include "core/StoreError.h"

#include <QByteArray>
#include <QList>

#include <variant>
#include <vector>

class SqliteDatabase;

// The complete result of one query, read into memory before its statement is finalized, so that
// the connection may close while the rows are read; a cursor walks them. Values read as text
// by their column's kind: an integer or float in decimal (an empty cell as 0), a text up to its
// first zero byte, a blob whole. Reading a column the result does not have, or past the last
// row, is a broken invariant and raises Error.
class SqliteRows {
public:
    quint32 rowCount() const { return m_rowCount; }

    bool atEnd() const { return m_currentRow >= m_rowCount; }
    bool goFirst();
    bool goLast();
    bool goNext();

    // The first column whose name matches, the case aside.
    int columnIndex(const QByteArray& name) const;
    QByteArray valueText(const QByteArray& name) const;
    QByteArray valueText(const char* name) const { return valueText(QByteArray(name)); }
    QByteArray valueText(int index) const;

private:
    friend class SqliteDatabase;
    // Runs the query on the connection and reads every row.
    static StoreResult<SqliteRows> read(SqliteDatabase& db, const QByteArray& sql);

    enum Kind { KindInteger = 1, KindFloat = 2, KindText = 3, KindBlob = 4, KindNull = 5 };
    // Empty, an integer, a float, or the bytes of a text or blob cell.
    using Cell = std::variant<std::monostate, qint64, double, QByteArray>;

    SqliteRows() = default;
    static int kindOf(const char* declaredType, int firstValueType);
    const Cell& cellAt(int index) const;

    quint32 m_rowCount = 0;
    int m_columnCount = 0;
    quint32 m_currentRow = 0;
    QList<QByteArray> m_columnNames;
    QList<int> m_columnKinds;
    std::vector<Cell> m_cells;
};
