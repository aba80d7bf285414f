// Start-up restore: the open notes read from a store holding 100 and 1,000 of them, and a window
// built and shown for each, as the first tick does; until each has been exposed is reported
// beside it.
#include "core/NoteStore.h"
#include "gui/ErrorReport.h"
#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"

#include "BenchSupport.h"
#include "FakeDesktop.h"

#include <QTest>
#include <QWindow>

using namespace Bench;

namespace {

struct RestoreRun {
    double callUs = 0;
    double exposedUs = 0;
};

RestoreRun restoreOnce(FakeDesktop& desktop, const NoteStore& store, int expected)
{
    auto owner = std::make_unique<QWidget>();
    ErrorReport report;
    auto notes = std::make_unique<NoteRegistry>(desktop, store, report, owner.get());
    QCoreApplication::processEvents();

    RestoreRun run;
    QElapsedTimer t;
    t.start();
    const StoreResult<std::vector<StoredNote>> stored = store.openNotes();
    if (!stored)
        fail("the store could not be read");
    notes->restore(*stored, noteLooksOrDefaults(store));
    run.callUs = microsecondsOf(t);
    if (notes->notes().size() != expected)
        fail("the restore did not bring back every open note");
    auto allExposed = [&] {
        for (NoteWindow* note : notes->notes())
            if (!note->windowHandle() || !note->windowHandle()->isExposed())
                return false;
        return true;
    };
    while (!allExposed()) {
        if (t.elapsed() > 60000)
            fail("the restored notes were never all shown");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
    run.exposedUs = microsecondsOf(t);
    notes.reset();
    owner.reset();
    QCoreApplication::processEvents();
    return run;
}

// What the window system alone asks per window: as many bare frameless tool windows of a
// note's size, each shown, with none of a note's content.
double bareWindowsUs(int count)
{
    QWidget owner;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        auto* window = new QWidget(&owner, Qt::Tool | Qt::FramelessWindowHint);
        window->setGeometry(20 + (i * 37) % 700, 20 + (i * 53) % 500, 271, 71);
        window->show();
    }
    const double us = microsecondsOf(t);
    QCoreApplication::processEvents();
    return us;
}

void measure(int notes, int rounds, double targetMs)
{
    ScratchStore scratch;
    scratch.addNotes(notes, true);
    // Ended notes stay in the store and are not restored; a long-used store holds many.
    scratch.addNotes(notes, false);
    FakeDesktop desktop;
    const NoteStore store(scratch.folder());
    desktop.cursor = QPoint(500, 400);

    restoreOnce(desktop, store, notes); // warm-up: fonts, styles, the first window's set-up
    std::vector<double> calls, exposed, bare;
    for (int i = 0; i < rounds; ++i) {
        const RestoreRun run = restoreOnce(desktop, store, notes);
        calls.push_back(run.callUs);
        exposed.push_back(run.exposedUs);
        bare.push_back(bareWindowsUs(notes));
    }

    char name[96];
    std::snprintf(name, sizeof name, "NoteRegistry::restore, %d open notes", notes);
    const Figures call = figuresOf(calls);
    printFigures(name, call, Unit::Ms);
    std::snprintf(name, sizeof name, "  ... until all %d are exposed", notes);
    printFigures(name, figuresOf(exposed), Unit::Ms);
    std::snprintf(name, sizeof name, "floor: %d bare tool windows shown", notes);
    const Figures floor = figuresOf(bare);
    printFigures(name, floor, Unit::Ms);
    printRatio("NoteRegistry::restore / bare windows", call, floor, 0);
    std::snprintf(name, sizeof name, "NoteRegistry::restore, %d notes, median", notes);
    printTarget(name, call.median / 1000.0, targetMs, "ms");
}

} // namespace

int main(int argc, char** argv)
{
    defaultToOffscreen();
    GuardedApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    printHeader("restore_bench: start-up restore of the open notes");
    // restore_bench N [ROUNDS]: one store size alone, for profiling.
    if (argc > 1) {
        measure(std::max(1, atoi(argv[1])), argc > 2 ? std::max(1, atoi(argv[2])) : 3, 1e9);
        return 0;
    }
    measure(100, 15, 100);
    measure(1000, 7, 500);
    return 0;
}
