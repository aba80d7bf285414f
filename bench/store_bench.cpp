// Store timings: one note save as a note window does it against the bare-SQLite floor on the
// same row of the same file, a whole note-window save, AddNote, and the restore query.
#include "BenchSupport.h"

#include "notes/uFDaviv.h"
#include "shell/ErrorReport.h"
#include "tests/FakeDesktop.h"
#include "store/Backup.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QFile>

#include <QElapsedTimer>

using namespace Bench;

namespace {

void BareExec(sqlite3* db, const char* sql)
{
    Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db);
}

} // namespace

int main(int argc, char** argv)
{
    DefaultToOffscreen();
    TApplication app(argc, argv);
    PrintHeader("store_bench: one note save, in microseconds");

    TScratchStore scratch;
    const std::vector<qint32> ids = scratch.AddNotes(1000, true);
    const QString file = TScratchStore::FileName();
    const QByteArray path = scratch.Path();

    TNoteValues note;
    note.Date = FormatStoreDate(QDate(2026, 12, 9));
    note.Text = NoteText(500);
    note.X = 100;
    note.Y = 120;
    note.Width = 271;
    note.Height = 71;
    note.Term = true;
    note.Color = 0x80FFFF;
    note.Alpha = 200;
    note.Id = ids[500];
    // Every save moves the note, as a drag does: a save that changes nothing on the page is
    // cheaper for the file system to make durable and would flatter both sides.
    auto movedTo = [&note](int x) {
        TNoteValues moved = note;
        moved.X = x;
        return moved;
    };

    // The call every note save goes through: it checks that the row is still the note's, writes
    // it and reads back what it wrote, in one transaction.
    const TNoteStore store(scratch.Folder());
    std::optional<TRowImage> known = store.Note(note.Id)->Image;
    auto programSave = [&](const TNoteValues& values) { known = store.SaveNote(values, known).Image; };
    // The floor writes a row of its own of the same size: the program's save would take the
    // other's writes to its row for another note's and store the note anew.
    auto bareSave = [&](const TNoteValues& values) {
        TNoteValues other = values;
        other.Id = ids[501];
        sqlite3* db = nullptr;
        Check(sqlite3_open(path.constData(), &db), db);
        BareExec(db, "BEGIN TRANSACTION");
        BareExec(db, StmtSaveNote(other).constData());
        BareExec(db, "COMMIT");
        Check(sqlite3_close(db), nullptr);
    };

    // Interleaved, and in turns first, so that disk noise and cache warmth hit both alike.
    const int rounds = 400;
    std::vector<double> program, floor;
    std::vector<TNoteValues> statements;
    for (int i = 0; i < 2 * rounds + 40; ++i)
        statements.push_back(movedTo(200 + i));
    for (int i = 0; i < 20; ++i) {
        programSave(statements[size_t(2 * i)]);
        bareSave(statements[size_t(2 * i + 1)]);
    }
    for (int i = 0; i < rounds; ++i) {
        const TNoteValues& first = statements[size_t(40 + 2 * i)];
        const TNoteValues& second = statements[size_t(41 + 2 * i)];
        QElapsedTimer t;
        if (i % 2 == 0) {
            t.start();
            programSave(first);
            program.push_back(MicrosecondsOf(t));
            t.restart();
            bareSave(second);
            floor.push_back(MicrosecondsOf(t));
        } else {
            t.start();
            bareSave(first);
            floor.push_back(MicrosecondsOf(t));
            t.restart();
            programSave(second);
            program.push_back(MicrosecondsOf(t));
        }
    }
    const TFigures programFigures = FiguresOf(program);
    const TFigures floorFigures = FiguresOf(floor);
    PrintFigures("note save: open, check the row, update, read back, close", programFigures, TUnit::Us);
    PrintFigures("floor: sqlite3_open, BEGIN, UPDATE, COMMIT, close", floorFigures, TUnit::Us);
    PrintRatio("note save / floor", programFigures, floorFigures, 1.2);
    programSave(note);
    if (scratch.Scalar("select xpos from m_daviv where rowid = " + QByteArray::number(note.Id)) != "100")
        Fail("the save did not reach the row");

    // The same save from a shown note window: its values and the statement are built too.
    TFakeDesktop desktop;
    TfrmDaviv window(desktop, store, nullptr);
    window.SetNoteDate(QDate(2026, 12, 9));
    window.SetMemoText(NoteText(500));
    window.SetBounds(100, 120, 271, 71);
    window.SetNoteId(note.Id);
    window.show();
    std::vector<double> windowSaves;
    for (int i = 0; i < rounds; ++i) {
        window.SetMemoText(NoteText(i)); // a new text, so that each save changes the row
        QElapsedTimer t;
        t.start();
        window.SaveNote();
        windowSaves.push_back(MicrosecondsOf(t));
    }
    PrintFigures("TfrmDaviv::SaveNote (values, statement, save)", FiguresOf(windowSaves), TUnit::Us);

    sqlite3* open = nullptr;
    Check(sqlite3_open(path.constData(), &open), open);
    int round = 0;
    PrintFigures("for scale: BEGIN, UPDATE, COMMIT on an open connection",
                 FiguresOf(Sample(rounds,
                                  [&] {
                                      BareExec(open, "BEGIN");
                                      BareExec(open, StmtSaveNote(statements[size_t(round++)]).constData());
                                      BareExec(open, "COMMIT");
                                  })),
                 TUnit::Us);
    sqlite3_close(open);

    PrintFigures("AddNote (open, insert, rowid query, close)",
                 FiguresOf(Sample(100,
                                  [&] {
                                      TSQLiteDo store(scratch.Folder());
                                      store.OpenStore(file);
                                      store.AddNote(QDate(2026, 12, 9));
                                  })),
                 TUnit::Us);

    const TFigures restore = FiguresOf(Sample(50, [&] {
        TSQLiteDo store(scratch.Folder());
        auto table = store.OpenStore(file).RunQuery(StmtOpenNotes);
        qsizetype bytes = 0;
        for (table->GoFirst(); !table->AtEnd(); table->GoNext())
            for (const char* c :
                 {"rowid", "f_day", "note", "xpos", "ypos", "width", "height", "term", "visible", "color", "alpha"})
                bytes += table->ValueText(c).size();
        store.CloseStore();
        if (bytes == 0)
            Fail("the restore query read nothing");
    }));
    PrintFigures("restore query, 1,000 open rows read whole", restore, TUnit::Us);

    // The day's backup of a store of 10,000 notes, as the program makes it: a few pages between
    // two events. Each step must stay well inside a frame; the whole copy under 100 ms.
    TScratchStore big;
    big.AddNotes(5000, true);
    big.AddNotes(5000, false);
    std::vector<double> totals, steps;
    for (int round = 0; round < 9; ++round) {
        const QString copy = QDir(big.Folder()).filePath(QStringLiteral("backup/zu_daviv-%1.db").arg(round));
        QElapsedTimer total;
        total.start();
        TStoreBackup backup(QString::fromUtf8(big.Path()), copy);
        for (bool done = false; !done;) {
            QElapsedTimer step;
            step.start();
            done = backup.Step(TDailyBackup::PagesPerStep);
            steps.push_back(MicrosecondsOf(step));
        }
        totals.push_back(MicrosecondsOf(total));
        if (!QFile::exists(copy))
            Fail("the backup was not made");
    }
    const TFigures whole = FiguresOf(totals);
    const TFigures step = FiguresOf(steps);
    PrintFigures("backup of 10,000 notes, whole", whole, TUnit::Ms);
    PrintFigures("backup of 10,000 notes, one step between events", step, TUnit::Ms);
    PrintTarget("backup, whole, median", whole.Median / 1000.0, 100, "ms");
    PrintTarget("backup, longest step", step.Max / 1000.0, 16, "ms");
    return 0;
}
