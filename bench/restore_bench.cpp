// Start-up restore: TfrmMain::RestoreNotes on a store holding 100 and 1,000 open notes. The
// call builds and shows every note window; until each has been exposed is reported beside it.
#include "BenchSupport.h"

#include "store/NoteStore.h"

#include "notes/uFDaviv.h"
#include "shell/ErrorReport.h"
#include "tests/FakeDesktop.h"
#include "shell/uFMain.h"

#include <QTest>
#include <QWindow>

using namespace Bench;

namespace {

struct TRestoreRun {
    double CallUs = 0;
    double ExposedUs = 0;
};

TRestoreRun RestoreOnce(TFakeDesktop& desktop, const TNoteStore& store, int expected)
{
    auto main = std::make_unique<TfrmMain>(desktop, store);
    main->Timer1()->stop();
    frmMain = main.get();
    QCoreApplication::processEvents();

    TRestoreRun run;
    QElapsedTimer t;
    t.start();
    main->RestoreNotes();
    run.CallUs = MicrosecondsOf(t);
    if (main->NoteWindows.size() != expected)
        Fail("the restore did not bring back every open note");
    auto allExposed = [&] {
        for (TfrmDaviv* note : main->NoteWindows)
            if (!note->windowHandle() || !note->windowHandle()->isExposed())
                return false;
        return true;
    };
    while (!allExposed()) {
        if (t.elapsed() > 60000)
            Fail("the restored notes were never all shown");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
    run.ExposedUs = MicrosecondsOf(t);
    main.reset();
    frmMain = nullptr;
    QCoreApplication::processEvents();
    return run;
}

// What the window system alone asks per window: as many bare frameless tool windows of a
// note's size, each shown, with none of a note's content.
double BareWindowsUs(int count)
{
    QWidget owner;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        auto* window = new QWidget(&owner, Qt::Tool | Qt::FramelessWindowHint);
        window->setGeometry(20 + (i * 37) % 700, 20 + (i * 53) % 500, 271, 71);
        window->show();
    }
    const double us = MicrosecondsOf(t);
    QCoreApplication::processEvents();
    return us;
}

void Measure(int notes, int rounds, double targetMs)
{
    TScratchStore scratch;
    scratch.AddNotes(notes, true);
    // Ended notes stay in the store and are not restored; a long-used store holds many.
    scratch.AddNotes(notes, false);
    TFakeDesktop desktop;
    const TNoteStore store(scratch.Folder());
    desktop.Cursor = QPoint(500, 400);
    TfrmDaviv templateNote(desktop, store, nullptr);
    frmDaviv = &templateNote;

    RestoreOnce(desktop, store, notes); // warm-up: fonts, styles, the first window's set-up
    std::vector<double> calls, exposed, bare;
    for (int i = 0; i < rounds; ++i) {
        const TRestoreRun run = RestoreOnce(desktop, store, notes);
        calls.push_back(run.CallUs);
        exposed.push_back(run.ExposedUs);
        bare.push_back(BareWindowsUs(notes));
    }
    frmDaviv = nullptr;

    char name[96];
    std::snprintf(name, sizeof name, "RestoreNotes, %d open notes", notes);
    const TFigures call = FiguresOf(calls);
    PrintFigures(name, call, TUnit::Ms);
    std::snprintf(name, sizeof name, "  ... until all %d are exposed", notes);
    PrintFigures(name, FiguresOf(exposed), TUnit::Ms);
    std::snprintf(name, sizeof name, "floor: %d bare tool windows shown", notes);
    const TFigures floor = FiguresOf(bare);
    PrintFigures(name, floor, TUnit::Ms);
    PrintRatio("RestoreNotes / bare windows", call, floor, 0);
    std::snprintf(name, sizeof name, "RestoreNotes, %d notes, median", notes);
    PrintTarget(name, call.Median / 1000.0, targetMs, "ms");
}

} // namespace

int main(int argc, char** argv)
{
    DefaultToOffscreen();
    TApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    PrintHeader("restore_bench: start-up restore of the open notes");
    // restore_bench N [ROUNDS]: one store size alone, for profiling.
    if (argc > 1) {
        Measure(std::max(1, atoi(argv[1])), argc > 2 ? std::max(1, atoi(argv[2])) : 3, 1e9);
        return 0;
    }
    Measure(100, 15, 100);
    Measure(1000, 7, 500);
    return 0;
}
