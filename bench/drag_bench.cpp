// Dragging a note by its date strip: a real note window moved 200 steps, each step saving the
// note. Measures the saves per second the window sustains when each step waits for
// the last, and whether, at a mouse's event rate, any step waits behind an earlier save.
//   drag_bench [interval_ms]   the paced run's event interval, 8 ms (125 Hz) unless given
#include "core/NoteStore.h"
#include "gui/ErrorReport.h"
#include "gui/NoteWindow.h"

#include "BenchSupport.h"
#include "FakeDesktop.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace Bench;

namespace {

constexpr int steps = 200;
const QPoint start(100, 120);

// Sees every drag step of one window: when its mouse event arrived and when its handling, which
// moves the window and saves the note, returned. The window system's own delivery path stays as
// it is.
class MoveClock : public GuardedApplication {
public:
    using GuardedApplication::GuardedApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (receiver != watchedStrip || event->type() != QEvent::MouseMove)
            return GuardedApplication::notify(receiver, event);
        const qint64 begin = clock.nsecsElapsed();
        const bool result = GuardedApplication::notify(receiver, event);
        const qint64 end = clock.nsecsElapsed();
        mouseDone.fetch_add(1);
        std::lock_guard lock(mutex);
        moves.push_back({static_cast<QWidget*>(watched)->pos(), begin, end});
        handledCount.store(int(moves.size()));
        return result;
    }

    struct Move {
        QPoint pos;
        qint64 begin;
        qint64 finish;
    };
    QObject* watched = nullptr;
    // The date strip, where the drag's mouse events go; counts the ones fully handled.
    QObject* watchedStrip = nullptr;
    std::atomic<int> mouseDone{0};
    QElapsedTimer clock;
    std::mutex mutex;
    std::vector<Move> moves;
    std::atomic<int> handledCount{0};
};

MoveClock* clocked = nullptr;

// Where the cursor is at step i of a drag: right and down, a few pixels an event.
QPoint cursorAt(QPoint pressed, int i)
{
    return pressed + QPoint(3 * i, 2 * i);
}

QMouseEvent* moveEventAt(QPoint global)
{
    // The local position is the one at the press; the note drags by the global one.
    return new QMouseEvent(QEvent::MouseMove, QPointF(2, 5), QPointF(2, 5), QPointF(global), Qt::NoButton,
                           Qt::LeftButton, Qt::NoModifier, QPointingDevice::primaryPointingDevice());
}

// Presses the left button on the strip as a person would; gives the cursor's global place.
QPoint pressStrip(NoteWindow& note)
{
    QLabel* strip = note.dateLabel();
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(2, 5));
    return strip->mapToGlobal(QPoint(2, 5));
}

void releaseStrip(NoteWindow& note, QPoint global)
{
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 5), QPointF(2, 5), QPointF(global), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier, QPointingDevice::primaryPointingDevice());
    QCoreApplication::sendEvent(&note, &release);
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Puts the note back at its start place and lets the moves of that settle.
void resetNote(NoteWindow& note)
{
    clocked->watched = nullptr;
    clocked->watchedStrip = nullptr;
    note.move(start);
    waitFor([&] { return note.pos() == start; }, 2000);
    QTest::qWait(50);
    std::lock_guard lock(clocked->mutex);
    clocked->moves.clear();
    clocked->handledCount.store(0);
    clocked->mouseDone.store(0);
    clocked->watched = &note;
    clocked->watchedStrip = note.dateLabel();
}

// Closed loop: the next step only once the last step's move was handled. Gives saves per second.
double sustainedRate(NoteWindow& note)
{
    resetNote(note);
    const QPoint pressed = pressStrip(note);
    QElapsedTimer t;
    t.start();
    for (int i = 1; i <= steps; ++i) {
        QCoreApplication::postEvent(note.dateLabel(), moveEventAt(cursorAt(pressed, i)));
        if (!waitFor([&] { return clocked->handledCount.load() >= i; }, 5000))
            fail("a drag step's move never arrived");
    }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    releaseStrip(note, cursorAt(pressed, steps));
    return steps / seconds;
}

struct PacedResult {
    std::vector<double> latency;  // from the mouse event to its save being done, us
    std::vector<double> handling; // handling the step: the move and the save, us
    int MaxPending = 0;           // mouse events posted but not yet handled when another came
    int stepsBehind = 0;          // steps that found an earlier step not yet handled
    int handled = 0;
    double seconds = 0;
};

// Open loop: a second thread posts the mouse events at a fixed rate, as the window system's
// reader does, whether or not the window keeps up.
PacedResult pacedDrag(NoteWindow& note, int intervalMs)
{
    resetNote(note);
    const QPoint pressed = pressStrip(note);
    std::vector<qint64> posted(steps + 1, 0);
    std::vector<int> pendingAtPost(steps + 1, 0);
    std::atomic<bool> done{false};
    QWidget* strip = note.dateLabel();
    const qint64 startNs = clocked->clock.nsecsElapsed();
    std::thread producer([&] {
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 1; i <= steps; ++i) {
            std::this_thread::sleep_until(begin + std::chrono::milliseconds(intervalMs) * i);
            pendingAtPost[i] = (i - 1) - clocked->mouseDone.load();
            posted[i] = clocked->clock.nsecsElapsed();
            QCoreApplication::postEvent(strip, moveEventAt(cursorAt(pressed, i)));
        }
        done = true;
    });
    const QPoint last = cursorAt(pressed, steps) - pressed + start;
    waitFor([&] { return done.load() && note.pos() == last && clocked->handledCount.load() >= 1; }, 20000);
    producer.join();
    QTest::qWait(50);
    PacedResult result;
    result.seconds = double(clocked->clock.nsecsElapsed() - startNs) / 1e9;
    releaseStrip(note, cursorAt(pressed, steps));

    std::lock_guard lock(clocked->mutex);
    result.handled = int(clocked->moves.size());
    for (const MoveClock::Move& move : clocked->moves) {
        // The step is known by the place the move took the window to.
        const int step = (move.pos.x() - start.x()) / 3;
        if (step < 1 || step > steps || move.pos != cursorAt(start, step))
            continue;
        result.latency.push_back(double(move.finish - posted[step]) / 1000.0);
        result.handling.push_back(double(move.finish - move.begin) / 1000.0);
    }
    for (int i = 1; i <= steps; ++i) {
        result.MaxPending = std::max(result.MaxPending, pendingAtPost[i]);
        if (pendingAtPost[i] > 0)
            ++result.stepsBehind;
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    defaultToOffscreen();
    MoveClock app(argc, argv);
    clocked = &app;
    app.clock.start();
    const int intervalMs = argc > 1 ? std::max(1, atoi(argv[1])) : 8;
    printHeader("drag_bench: a note dragged 200 steps, each move saving");

    ScratchStore scratch;
    const std::vector<qint32> ids = scratch.addNotes(100, true);
    FakeDesktop desktop;
    const NoteStore store(scratch.folder());
    ErrorReport report;
    NoteWindow note(desktop, store, report, nullptr);
    Note dragged;
    dragged.id = ids[0];
    dragged.date = QDate(2026, 12, 9);
    dragged.text = noteText(1);
    dragged.bounds = QRect(start, QSize(271, 71));
    dragged.color = 0x80FFFF;
    dragged.alpha = NoteWindow::DefaultAlpha;
    note.take(dragged, std::nullopt, {});
    note.show();
    if (!QTest::qWaitForWindowExposed(&note))
        fail("the note window was never shown");

    std::vector<double> rates;
    for (int run = 0; run < 5; ++run)
        rates.push_back(sustainedRate(note));
    const Figures rate = figuresOf(rates);
    std::printf("  %-56s median %9.1f /s  lowest %9.1f /s  (5 drags of %d steps)\n",
                "saves per second, each step after the last's save", rate.median,
                *std::min_element(rates.begin(), rates.end()), steps);
    const QByteArray row =
        scratch.scalar("select xpos || ',' || ypos from m_daviv where rowid = " + QByteArray::number(ids[0]));
    const QPoint end = cursorAt(start, steps);
    if (row != QByteArray::number(end.x()) + ',' + QByteArray::number(end.y()))
        fail("the drag's last place is not in the store");

    std::vector<double> latency, handling;
    int maxPending = 0, behind = 0, handled = 0;
    double seconds = 0;
    for (int run = 0; run < 3; ++run) {
        const PacedResult r = pacedDrag(note, intervalMs);
        latency.insert(latency.end(), r.latency.begin(), r.latency.end());
        handling.insert(handling.end(), r.handling.begin(), r.handling.end());
        maxPending = std::max(maxPending, r.MaxPending);
        behind += r.stepsBehind;
        handled += r.handled;
        seconds += r.seconds;
    }
    char name[96];
    std::snprintf(name, sizeof name, "paced at %d ms: mouse event to its save done", intervalMs);
    printFigures(name, figuresOf(latency), Unit::Ms);
    printFigures("paced: handling the step, the move and its save", figuresOf(handling), Unit::Ms);
    std::printf("  %-56s %d of %d steps found an earlier one unsaved, at most %d pending\n",
                "paced: steps queued behind a save", behind, 3 * steps, maxPending);
    std::printf("  %-56s %d moves handled in 3 drags of %d steps, %.1f saves/s\n", "paced: saves", handled, steps,
                handled / seconds);
    return 0;
}
