#include "core/StoreHealth.h"

#include "core/SqliteDatabase.h"
#include "core/TextScan.h"

namespace {

// Malformed pages and a file that is not a database at all are damage; anything else (a lock,
// a missing file) says nothing about the contents.
bool isDamage(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// The length of the line "*** in database main ***" and the blanks after it, where a problem
// starts with one.
qsizetype databaseHeadingLength(QStringView problem)
{
    TextScan::Scanner s(problem);
    if (!s.skip(QLatin1String("*** in database ")))
        return 0;
    if (s.skipWhile([](QChar c) { return !TextScan::isBlank(c); }) == 0 || !s.skip(QLatin1String(" ***")))
        return 0;
    s.skipBlanks();
    return s.pos();
}

} // namespace

StoreHealth StoreHealth::of(const QString& path)
{
    // Read-write, so that a journal a crash left behind is rolled back before the check, as
    // any use of the store would; without create, so that a missing file stays missing.
    StoreResult<SqliteDatabase> db = SqliteDatabase::open(path.toUtf8(), SqliteDatabase::OpenMode::ReadWrite);
    if (!db)
        return {Condition::Unchecked, db.error().reason()};
    StoreResult<SqliteDatabase::Statement> check = db->prepare("pragma quick_check");
    if (!check)
        return {isDamage(check.error().code()) ? Condition::Damaged : Condition::Unchecked, check.error().reason()};
    // The problems come after a line that names the database; the first one is enough.
    QString problem;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(check->get())) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(check->get(), 0));
        if (problem.isEmpty() && qstrcmp(text, "ok") != 0) {
            const QString report = QString::fromUtf8(text);
            problem = report.sliced(databaseHeadingLength(report)).section(QLatin1Char('\n'), 0, 0);
        }
    }
    if (!problem.isEmpty())
        return {Condition::Damaged, problem};
    if (rc != SQLITE_DONE)
        return {isDamage(rc) ? Condition::Damaged : Condition::Unchecked,
                QString::fromUtf8(sqlite3_errmsg(db->handle()))};
    return {Condition::Sound, QString()};
}
