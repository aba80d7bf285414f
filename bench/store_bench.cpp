// Store timings on this machine: a note save as the program does it against the bare-SQLite
// floor, AddNote, and the restore query over 1,000 rows. Prints median and p95 in microseconds.
#include "platform/StoreText.h"
#include "store/uSqliteDo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct TFigures {
    double Median;
    double P95;
};

TFigures Measure(int rounds, const std::function<void()>& action)
{
    std::vector<double> samples;
    samples.reserve(rounds);
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        action();
        samples.push_back(timer.nsecsElapsed() / 1000.0);
    }
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[std::min(samples.size() - 1, samples.size() * 95 / 100)]};
}

void Print(const char* name, TFigures f)
{
    std::printf("%-46s median %9.1f us   p95 %9.1f us\n", name, f.Median, f.P95);
}

void Check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

void BareExec(sqlite3* db, const QByteArray& sql)
{
    Check(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), db);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = QString::fromLatin1(StoreFileName);
    const QByteArray path = dir.filePath(file).toUtf8();
    {
        TSQLiteDo store(dir.path());
        store.PrepareStore(file);
    }
    TNoteValues note;
    note.Date = FormatStoreDate(QDate::currentDate());
    note.Text = QStringLiteral("買い物リスト\r\n牛乳と卵\r\nhttps://example.com/\r\n");
    note.X = 100;
    note.Y = 120;
    note.Width = 271;
    note.Height = 71;
    note.Term = true;
    note.Color = 65408;
    note.Alpha = 200;
    {
        TSQLiteDo store(dir.path());
        store.OpenStore(file);
        for (int i = 0; i < 1000; ++i) {
            note.Id = store.AddNote(QDate::currentDate());
            store.ExecuteInTransaction(StmtSaveNote(note));
        }
    }
    note.Id = 500;
    const QByteArray save = StmtSaveNote(note);
    const int rounds = 300;

    // Interleave program and floor so that disk noise hits both alike.
    std::vector<double> program, floor, kept;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        {
            TSQLiteDo store(dir.path());
            store.OpenStore(file);
            store.ExecuteInTransaction(save);
            store.CloseStore();
        }
        program.push_back(t.nsecsElapsed() / 1000.0);
        t.restart();
        sqlite3* db = nullptr;
        Check(sqlite3_open(path.constData(), &db), db);
        BareExec(db, "BEGIN TRANSACTION");
        BareExec(db, save);
        BareExec(db, "COMMIT");
        sqlite3_close(db);
        floor.push_back(t.nsecsElapsed() / 1000.0);
    }
    auto figures = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return TFigures{v[v.size() / 2], v[v.size() * 95 / 100]};
    };
    const TFigures programFigures = figures(program);
    const TFigures floorFigures = figures(floor);
    Print("note save (open, transaction, update, close)", programFigures);
    Print("bare sqlite3 open+begin+update+commit+close", floorFigures);
    std::printf("%-46s %.2fx (target <= 1.20x)\n", "save / bare floor (median)",
                programFigures.Median / floorFigures.Median);

    sqlite3* open = nullptr;
    Check(sqlite3_open(path.constData(), &open), open);
    Print("raw floor: update in BEGIN/COMMIT, kept open", Measure(rounds, [&] {
              BareExec(open, "BEGIN");
              BareExec(open, save);
              BareExec(open, "COMMIT");
          }));
    sqlite3_close(open);

    Print("AddNote (open, insert, rowid query, close)", Measure(100, [&] {
              TSQLiteDo store(dir.path());
              store.OpenStore(file);
              store.AddNote(QDate::currentDate());
          }));

    const TFigures restore = Measure(50, [&] {
        TSQLiteDo store(dir.path());
        auto table = store.OpenStore(file).RunQuery(StmtOpenNotes);
        qsizetype bytes = 0;
        for (table->GoFirst(); !table->AtEnd(); table->GoNext())
            for (const char* c :
                 {"rowid", "f_day", "note", "xpos", "ypos", "width", "height", "term", "visible", "color", "alpha"})
                bytes += table->ValueText(c).size();
        store.CloseStore();
        if (bytes == 0)
            std::exit(1);
    });
    Print("restore query, 1,000 rows read whole", restore);
    std::printf("%-46s %s (target < 5 ms)\n", "restore query median", restore.Median < 5000 ? "met" : "MISSED");
    return 0;
}
