#pragma once

// What every benchmark shares: the headless default, samples turned into median and p95, one
// line per figure, and scratch stores filled the way the program fills them.

#include "core/NoteStore.h"
#include "core/SqliteDatabase.h"
#include "core/SqliteTransaction.h"
#include "core/StoreStatements.h"
#include "core/StoreText.h"

#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace Bench {

// Offscreen unless the caller chose a platform, e.g. QT_QPA_PLATFORM=xcb under xvfb-run.
// Must run before the application object exists.
inline void defaultToOffscreen()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform names every window call it cannot carry out, per window; that
    // would bury the figures.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.startsWith(QLatin1String("This plugin does not support")) ||
            text.contains(QLatin1String("systemTrayWindowChanged")))
            return;
        if (previous)
            previous(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

struct Figures {
    double median = 0;
    double P95 = 0;
    double max = 0;
    size_t count = 0;
};

inline Figures figuresOf(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    // Nearest rank: the smallest sample that at least 95 % of the samples do not exceed.
    const size_t p95 = std::min(n - 1, (n * 95 + 99) / 100 - 1);
    return {samples[n / 2], samples[p95], samples.back(), n};
}

inline double microsecondsOf(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1000.0;
}

// Runs action rounds times and gives the duration of each run in microseconds.
template <class Action> std::vector<double> sample(int rounds, Action&& action)
{
    std::vector<double> samples;
    samples.reserve(size_t(rounds));
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        action();
        samples.push_back(microsecondsOf(timer));
    }
    return samples;
}

enum class Unit { Us, Ms };

inline double inUnit(double us, Unit unit)
{
    return unit == Unit::Ms ? us / 1000.0 : us;
}

inline const char* unitName(Unit unit)
{
    return unit == Unit::Ms ? "ms" : "us";
}

// The platform in the header line tells offscreen and Xvfb runs apart in a pasted log.
inline void printHeader(const char* benchmark)
{
    std::printf("== %s (%s)\n", benchmark, qPrintable(QGuiApplication::platformName()));
}

inline void printFigures(const char* name, const Figures& f, Unit unit)
{
    std::printf("  %-56s median %9.3f %s  p95 %9.3f %s  max %9.3f %s  n=%zu\n", name, inUnit(f.median, unit),
                unitName(unit), inUnit(f.P95, unit), unitName(unit), inUnit(f.max, unit), unitName(unit), f.count);
}

inline void printTarget(const char* name, double value, double limit, const char* unit)
{
    std::printf("  %-56s %.3f %s, target < %g %s: %s\n", name, value, unit, limit, unit,
                value < limit ? "met" : "MISSED");
}

// The program's figure over the floor measured in the same run, at the median and at p95;
// a limit of 0 is a ratio shown for scale, without a target.
inline void printRatio(const char* name, const Figures& program, const Figures& floor, double limit)
{
    const double median = program.median / floor.median;
    const double p95 = program.P95 / floor.P95;
    std::printf("  %-56s median %.3fx  p95 %.3fx", name, median, p95);
    if (limit > 0)
        std::printf(", target <= %.2fx: %s", limit, median <= limit ? "met" : "MISSED");
    std::printf("\n");
}

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::exit(1);
}

inline void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", db ? sqlite3_errmsg(db) : "no connection");
        std::exit(1);
    }
}

// Text the way people write notes: Japanese lines, a link, an ASCII line.
inline QString noteText(int index)
{
    return QStringLiteral("買い物リスト %1\r\n牛乳と卵、食パン\r\nhttps://example.com/list/%1\r\nmeeting at 10:30\r\n")
        .arg(index);
}

// A store in a fresh folder on the same disk the program's store would be on.
class ScratchStore {
public:
    ScratchStore()
    {
        if (!dir.isValid())
            fail("no scratch folder");
        if (!NoteStore(dir.path()).prepare())
            fail("the scratch store could not be made");
    }

    static QString fileName() { return QString::fromLatin1(StoreFileName); }
    QString folder() const { return dir.path(); }
    QByteArray path() const { return dir.filePath(fileName()).toUtf8(); }

    // Adds rows with the program's own statements, in one transaction so that filling 10,000
    // takes a moment; open rows are the ones a start restores. Each row holds noteText() unless
    // a text is given. Returns the ids.
    std::vector<qint32> addNotes(int count, bool open, const QString& text = {})
    {
        std::vector<qint32> ids;
        sqlite3* db = nullptr;
        check(sqlite3_open(path().constData(), &db), db);
        check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
        for (int i = 0; i < count; ++i) {
            check(sqlite3_exec(db, Statements::addNote(QDate(2026, 12, 9)).constData(), nullptr, nullptr, nullptr), db);
            Note note;
            note.id = qint32(sqlite3_last_insert_rowid(db));
            note.date = QDate(2026, 12, 9).addDays(-(i % 400));
            note.text = text.isEmpty() ? noteText(i) : text;
            note.bounds = QRect(20 + (i * 37) % 700, 20 + (i * 53) % 500, 271, 71 + (i % 4) * 20);
            note.isOpen = open;
            note.color = 0x80FFFF;
            note.alpha = 200;
            check(sqlite3_exec(db, Statements::saveNote(note).constData(), nullptr, nullptr, nullptr), db);
            ids.push_back(note.id);
        }
        check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
        return ids;
    }

    // Runs a query and gives the first column of its first row as text.
    QByteArray scalar(const QByteArray& sql) const
    {
        StoreResult<SqliteDatabase> db = SqliteDatabase::open(path());
        StoreResult<SqliteRows> table = db ? db->runQuery(sql) : StoreResult<SqliteRows>(db.error());
        if (!table || !table->goFirst())
            return {};
        return table->valueText(0);
    }

private:
    QTemporaryDir dir;
};

} // namespace Bench
