// Dragging a note by its date strip: a real note window moved 200 steps, each step saving the
// note. Measures the saves per second the window sustains when each step waits for
// the last, and whether, at a mouse's event rate, any step waits behind an earlier save.
//   drag_bench [interval_ms]   the paced run's event interval, 8 ms (125 Hz) unless given
#include "BenchSupport.h"

#include "store/NoteStore.h"

#include "notes/uFDaviv.h"
#include "shell/ErrorReport.h"
#include "tests/FakeDesktop.h"

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

constexpr int Steps = 200;
const QPoint Start(100, 120);

// Sees every drag step of one window: when its mouse event arrived and when its handling, which
// moves the window and saves the note, returned. The window system's own delivery path stays as
// it is.
class TMoveClock : public TApplication {
public:
    using TApplication::TApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (receiver != WatchedStrip || event->type() != QEvent::MouseMove)
            return TApplication::notify(receiver, event);
        const qint64 begin = Clock.nsecsElapsed();
        const bool result = TApplication::notify(receiver, event);
        const qint64 end = Clock.nsecsElapsed();
        MouseDone.fetch_add(1);
        std::lock_guard lock(Mutex);
        Moves.push_back({static_cast<QWidget*>(Watched)->pos(), begin, end});
        HandledCount.store(int(Moves.size()));
        return result;
    }

    struct TMove {
        QPoint Pos;
        qint64 Begin;
        qint64 End;
    };
    QObject* Watched = nullptr;
    // The date strip, where the drag's mouse events go; counts the ones fully handled.
    QObject* WatchedStrip = nullptr;
    std::atomic<int> MouseDone{0};
    QElapsedTimer Clock;
    std::mutex Mutex;
    std::vector<TMove> Moves;
    std::atomic<int> HandledCount{0};
};

TMoveClock* App = nullptr;

// Where the cursor is at step i of a drag: right and down, a few pixels an event.
QPoint CursorAt(QPoint pressed, int i)
{
    return pressed + QPoint(3 * i, 2 * i);
}

QMouseEvent* MoveEventAt(QPoint global)
{
    // The local position is the one at the press; the note drags by the global one.
    return new QMouseEvent(QEvent::MouseMove, QPointF(2, 5), QPointF(2, 5), QPointF(global), Qt::NoButton,
                           Qt::LeftButton, Qt::NoModifier, QPointingDevice::primaryPointingDevice());
}

// Presses the left button on the strip as a person would; gives the cursor's global place.
QPoint PressStrip(TfrmDaviv& note)
{
    QLabel* strip = note.Label1();
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(2, 5));
    return strip->mapToGlobal(QPoint(2, 5));
}

void ReleaseStrip(TfrmDaviv& note, QPoint global)
{
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 5), QPointF(2, 5), QPointF(global), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier, QPointingDevice::primaryPointingDevice());
    QCoreApplication::sendEvent(&note, &release);
}

bool WaitFor(const std::function<bool()>& done, int ms)
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
void ResetNote(TfrmDaviv& note)
{
    App->Watched = nullptr;
    App->WatchedStrip = nullptr;
    note.move(Start);
    WaitFor([&] { return note.pos() == Start; }, 2000);
    QTest::qWait(50);
    std::lock_guard lock(App->Mutex);
    App->Moves.clear();
    App->HandledCount.store(0);
    App->MouseDone.store(0);
    App->Watched = &note;
    App->WatchedStrip = note.Label1();
}

// Closed loop: the next step only once the last step's move was handled. Gives saves per second.
double SustainedRate(TfrmDaviv& note)
{
    ResetNote(note);
    const QPoint pressed = PressStrip(note);
    QElapsedTimer t;
    t.start();
    for (int i = 1; i <= Steps; ++i) {
        QCoreApplication::postEvent(note.Label1(), MoveEventAt(CursorAt(pressed, i)));
        if (!WaitFor([&] { return App->HandledCount.load() >= i; }, 5000))
            Fail("a drag step's move never arrived");
    }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    ReleaseStrip(note, CursorAt(pressed, Steps));
    return Steps / seconds;
}

struct TPacedResult {
    std::vector<double> Latency;  // from the mouse event to its save being done, us
    std::vector<double> Handling; // handling the step: the move and the save, us
    int MaxPending = 0;           // mouse events posted but not yet handled when another came
    int StepsBehind = 0;          // steps that found an earlier step not yet handled
    int Handled = 0;
    double Seconds = 0;
};

// Open loop: a second thread posts the mouse events at a fixed rate, as the window system's
// reader does, whether or not the window keeps up.
TPacedResult PacedDrag(TfrmDaviv& note, int intervalMs)
{
    ResetNote(note);
    const QPoint pressed = PressStrip(note);
    std::vector<qint64> posted(Steps + 1, 0);
    std::vector<int> pendingAtPost(Steps + 1, 0);
    std::atomic<bool> done{false};
    QWidget* strip = note.Label1();
    const qint64 startNs = App->Clock.nsecsElapsed();
    std::thread producer([&] {
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 1; i <= Steps; ++i) {
            std::this_thread::sleep_until(begin + std::chrono::milliseconds(intervalMs) * i);
            pendingAtPost[i] = (i - 1) - App->MouseDone.load();
            posted[i] = App->Clock.nsecsElapsed();
            QCoreApplication::postEvent(strip, MoveEventAt(CursorAt(pressed, i)));
        }
        done = true;
    });
    const QPoint last = CursorAt(pressed, Steps) - pressed + Start;
    WaitFor([&] { return done.load() && note.pos() == last && App->HandledCount.load() >= 1; }, 20000);
    producer.join();
    QTest::qWait(50);
    TPacedResult result;
    result.Seconds = double(App->Clock.nsecsElapsed() - startNs) / 1e9;
    ReleaseStrip(note, CursorAt(pressed, Steps));

    std::lock_guard lock(App->Mutex);
    result.Handled = int(App->Moves.size());
    for (const TMoveClock::TMove& move : App->Moves) {
        // The step is known by the place the move took the window to.
        const int step = (move.Pos.x() - Start.x()) / 3;
        if (step < 1 || step > Steps || move.Pos != CursorAt(Start, step))
            continue;
        result.Latency.push_back(double(move.End - posted[step]) / 1000.0);
        result.Handling.push_back(double(move.End - move.Begin) / 1000.0);
    }
    for (int i = 1; i <= Steps; ++i) {
        result.MaxPending = std::max(result.MaxPending, pendingAtPost[i]);
        if (pendingAtPost[i] > 0)
            ++result.StepsBehind;
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    DefaultToOffscreen();
    TMoveClock app(argc, argv);
    App = &app;
    app.Clock.start();
    const int intervalMs = argc > 1 ? std::max(1, atoi(argv[1])) : 8;
    PrintHeader("drag_bench: a note dragged 200 steps, each move saving");

    TScratchStore scratch;
    const std::vector<qint32> ids = scratch.AddNotes(100, true);
    TFakeDesktop desktop;
    const TNoteStore store(scratch.Folder());
    TfrmDaviv templateNote(desktop, store, nullptr);
    frmDaviv = &templateNote;
    TfrmDaviv note(desktop, store, nullptr);
    note.SetNoteDate(QDate(2026, 12, 9));
    note.SetMemoText(NoteText(1));
    note.SetBounds(Start.x(), Start.y(), 271, 71);
    note.SetColor(0x80FFFF);
    note.SetMemoColor(0x80FFFF);
    note.SetNoteId(ids[0]);
    note.show();
    if (!QTest::qWaitForWindowExposed(&note))
        Fail("the note window was never shown");

    std::vector<double> rates;
    for (int run = 0; run < 5; ++run)
        rates.push_back(SustainedRate(note));
    const TFigures rate = FiguresOf(rates);
    std::printf("  %-56s median %9.1f /s  lowest %9.1f /s  (5 drags of %d steps)\n",
                "saves per second, each step after the last's save", rate.Median,
                *std::min_element(rates.begin(), rates.end()), Steps);
    const QByteArray row =
        scratch.Scalar("select xpos || ',' || ypos from m_daviv where rowid = " + QByteArray::number(ids[0]));
    const QPoint end = CursorAt(Start, Steps);
    if (row != QByteArray::number(end.x()) + ',' + QByteArray::number(end.y()))
        Fail("the drag's last place is not in the store");

    std::vector<double> latency, handling;
    int maxPending = 0, behind = 0, handled = 0;
    double seconds = 0;
    for (int run = 0; run < 3; ++run) {
        const TPacedResult r = PacedDrag(note, intervalMs);
        latency.insert(latency.end(), r.Latency.begin(), r.Latency.end());
        handling.insert(handling.end(), r.Handling.begin(), r.Handling.end());
        maxPending = std::max(maxPending, r.MaxPending);
        behind += r.StepsBehind;
        handled += r.Handled;
        seconds += r.Seconds;
    }
    char name[96];
    std::snprintf(name, sizeof name, "paced at %d ms: mouse event to its save done", intervalMs);
    PrintFigures(name, FiguresOf(latency), TUnit::Ms);
    PrintFigures("paced: handling the step, the move and its save", FiguresOf(handling), TUnit::Ms);
    std::printf("  %-56s %d of %d steps found an earlier one unsaved, at most %d pending\n",
                "paced: steps queued behind a save", behind, 3 * Steps, maxPending);
    std::printf("  %-56s %d moves handled in 3 drags of %d steps, %.1f saves/s\n", "paced: saves", handled, Steps,
                handled / seconds);
    frmDaviv = nullptr;
    return 0;
}
