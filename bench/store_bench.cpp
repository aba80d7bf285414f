// Store timings: one note save as a note window does it against the bare-SQLite floor on the
// same row of the same file, a whole note-window save, addNote, and the restore query.
#include "core/Backup.h"
#include "core/NoteStore.h"
#include "gui/ErrorReport.h"
#include "gui/NoteWindow.h"

#include "BenchSupport.h"
#include "FakeDesktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

using namespace Bench;

namespace {

void bareExec(sqlite3* db, const char* sql)
{
    check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db);
}

} // namespace

int main(int argc, char** argv)
{
    defaultToOffscreen();
    GuardedApplication app(argc, argv);
    printHeader("store_bench: one note save, in microseconds");

    ScratchStore scratch;
    const std::vector<qint32> ids = scratch.addNotes(1000, true);
    const QByteArray path = scratch.path();

    Note note;
    note.date = QDate(2026, 12, 9);
    note.text = noteText(500);
    note.bounds = QRect(100, 120, 271, 71);
    note.isOpen = true;
    note.color = 0x80FFFF;
    note.alpha = 200;
    note.id = ids[500];
    // Every save moves the note, as a drag does: a save that changes nothing on the page is
    // cheaper for the file system to make durable and would flatter both sides.
    auto movedTo = [&note](int x) {
        Note moved = note;
        moved.bounds.moveLeft(x);
        return moved;
    };

    // The call every note save goes through: it checks that the row is still the note's, writes
    // it and reads back what it wrote, in one transaction.
    const NoteStore store(scratch.folder());
    std::optional<RowImage> known = store.note(note.id).value()->image;
    auto programSave = [&](const Note& values) { known = store.saveNote(values, known).value().image; };
    // The floor writes a row of its own of the same size: the program's save would take the
    // other's writes to its row for another note's and store the note anew.
    auto bareSave = [&](const Note& values) {
        Note other = values;
        other.id = ids[501];
        sqlite3* db = nullptr;
        check(sqlite3_open(path.constData(), &db), db);
        bareExec(db, "BEGIN TRANSACTION");
        bareExec(db, Statements::saveNote(other).constData());
        bareExec(db, "COMMIT");
        check(sqlite3_close(db), nullptr);
    };

    // Interleaved, and in turns first, so that disk noise and cache warmth hit both alike.
    const int rounds = 400;
    std::vector<double> program, floor;
    std::vector<Note> statements;
    for (int i = 0; i < 2 * rounds + 40; ++i)
        statements.push_back(movedTo(200 + i));
    for (int i = 0; i < 20; ++i) {
        programSave(statements[size_t(2 * i)]);
        bareSave(statements[size_t(2 * i + 1)]);
    }
    for (int i = 0; i < rounds; ++i) {
        const Note& first = statements[size_t(40 + 2 * i)];
        const Note& second = statements[size_t(41 + 2 * i)];
        QElapsedTimer t;
        if (i % 2 == 0) {
            t.start();
            programSave(first);
            program.push_back(microsecondsOf(t));
            t.restart();
            bareSave(second);
            floor.push_back(microsecondsOf(t));
        } else {
            t.start();
            bareSave(first);
            floor.push_back(microsecondsOf(t));
            t.restart();
            programSave(second);
            program.push_back(microsecondsOf(t));
        }
    }
    const Figures programFigures = figuresOf(program);
    const Figures floorFigures = figuresOf(floor);
    printFigures("note save: open, check the row, update, read back, close", programFigures, Unit::Us);
    printFigures("floor: sqlite3_open, BEGIN, UPDATE, COMMIT, close", floorFigures, Unit::Us);
    printRatio("note save / floor", programFigures, floorFigures, 1.2);
    programSave(note);
    if (scratch.scalar("select xpos from m_daviv where rowid = " + QByteArray::number(note.id)) != "100")
        fail("the save did not reach the row");

    // The same save from a shown note window: its values and the statement are built too.
    FakeDesktop desktop;
    ErrorReport report;
    NoteWindow window(desktop, store, report, nullptr);
    Note shown;
    shown.id = note.id;
    shown.date = QDate(2026, 12, 9);
    shown.text = noteText(500);
    shown.bounds = QRect(100, 120, 271, 71);
    shown.color = 0xFFFFFF;
    shown.alpha = NoteWindow::DefaultAlpha;
    window.take(shown, std::nullopt, {});
    window.show();
    std::vector<double> windowSaves;
    for (int i = 0; i < rounds; ++i) {
        window.setText(noteText(i)); // a new text, so that each save changes the row
        QElapsedTimer t;
        t.start();
        window.saveNote();
        windowSaves.push_back(microsecondsOf(t));
    }
    printFigures("NoteWindow::saveNote (values, statement, save)", figuresOf(windowSaves), Unit::Us);

    sqlite3* open = nullptr;
    check(sqlite3_open(path.constData(), &open), open);
    int round = 0;
    printFigures("for scale: BEGIN, UPDATE, COMMIT on an open connection",
                 figuresOf(sample(rounds,
                                  [&] {
                                      bareExec(open, "BEGIN");
                                      bareExec(open, Statements::saveNote(statements[size_t(round++)]).constData());
                                      bareExec(open, "COMMIT");
                                  })),
                 Unit::Us);
    sqlite3_close(open);

    printFigures("NoteStore::addNote (open, insert, rowid query, read back, close)",
                 figuresOf(sample(100,
                                  [&] {
                                      if (!store.addNote(QDate(2026, 12, 9)))
                                          fail("the note was not added");
                                  })),
                 Unit::Us);

    const Figures restore = figuresOf(sample(50, [&] {
        StoreResult<SqliteRows> table = SqliteDatabase::open(path).value().runQuery(Statements::openNotes);
        qsizetype bytes = 0;
        for (table->goFirst(); !table->atEnd(); table->goNext())
            for (const char* c :
                 {"rowid", "f_day", "note", "xpos", "ypos", "width", "height", "term", "visible", "color", "alpha"})
                bytes += table->valueText(c).size();
        if (bytes == 0)
            fail("the restore query read nothing");
    }));
    printFigures("restore query, 1,000 open rows read whole", restore, Unit::Us);

    // The day's backup of a store of 10,000 notes, as the program makes it: a few pages between
    // two events. Each step must stay well inside a frame; the whole copy under 100 ms.
    ScratchStore big;
    big.addNotes(5000, true);
    big.addNotes(5000, false);
    std::vector<double> totals, steps;
    for (int round = 0; round < 9; ++round) {
        const QString copy = QDir(big.folder()).filePath(QStringLiteral("backup/zu_daviv-%1.db").arg(round));
        QElapsedTimer total;
        total.start();
        const std::unique_ptr<StoreBackup> backup = StoreBackup::start(QString::fromUtf8(big.path()), copy).value();
        for (bool done = false; !done;) {
            QElapsedTimer step;
            step.start();
            done = backup->step(DailyBackup::PagesPerStep).value();
            steps.push_back(microsecondsOf(step));
        }
        totals.push_back(microsecondsOf(total));
        if (!QFile::exists(copy))
            fail("the backup was not made");
    }
    const Figures whole = figuresOf(totals);
    const Figures step = figuresOf(steps);
    printFigures("backup of 10,000 notes, whole", whole, Unit::Ms);
    printFigures("backup of 10,000 notes, one step between events", step, Unit::Ms);
    printTarget("backup, whole, median", whole.median / 1000.0, 100, "ms");
    printTarget("backup, longest step", step.max / 1000.0, 16, "ms");
    return 0;
}
