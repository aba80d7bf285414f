#include "StoreHealth.h"

#include <QRegularExpression>

#include <memory>

#include <sqlite3.h>

namespace {

struct CloseConnection {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// Malformed pages and a file that is not a database at all are damage; anything else (a lock,
// a missing file) says nothing about the contents.
bool isDamage(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

} // namespace

StoreHealth StoreHealth::of(const QString& path)
{
    // Read-write, so that a journal a crash left behind is rolled back before the check, as
    // any use of the store would; without create, so that a missing file stays missing.
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, CloseConnection> db(raw);
    if (rc != SQLITE_OK)
        return {Condition::Unchecked, QString::fromUtf8(db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc))};
    sqlite3_stmt* rawStatement = nullptr;
    rc = sqlite3_prepare_v2(db.get(), "pragma quick_check", -1, &rawStatement, nullptr);
    const std::unique_ptr<sqlite3_stmt, FinalizeStatement> statement(rawStatement);
    QString problem;
    if (rc == SQLITE_OK) {
        // The problems come after a line that names the database; the first one is enough.
        static const QRegularExpression databaseLine(QStringLiteral("^\\*\\*\\* in database \\S+ \\*\\*\\*\\s*"));
        while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
            if (problem.isEmpty() && qstrcmp(text, "ok") != 0)
                problem = QString::fromUtf8(text).remove(databaseLine).section(QLatin1Char('\n'), 0, 0);
        }
    }
    if (!problem.isEmpty())
        return {Condition::Damaged, problem};
    if (rc != SQLITE_DONE)
        return {isDamage(rc) ? Condition::Damaged : Condition::Unchecked, QString::fromUtf8(sqlite3_errmsg(db.get()))};
    return {Condition::Sound, QString()};
}
