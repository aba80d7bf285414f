// Start-up as the user sees it: the real program started on an X display (run it under Xvfb,
// bench/startup_bench.sh does) with 100, then 1,000 open notes, timed from exec until the last
// note is mapped, first tick included, and until the last one is painted (its first drawing, as
// the X server's damage reports it). The windows are redirected off-screen as a compositing
// desktop does, so that every window is drawn whole, also those under others. In the same run
// the floor: a Qt program that, one second after its start, shows as many bare frameless tool
// windows. Also, on its own, the check of the
// store for damage that the start runs before anything else touches the store.
//   startup_bench <zufusen binary> [rounds]
//   startup_bench --bare <count>      the floor program itself
#include "core/StoreHealth.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <map>
#include <set>
#include <tuple>

using namespace Bench;

namespace {

int bareWindows(int argc, char** argv, int count)
{
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QWidget>> windows;
    QTimer::singleShot(1000, [&] {
        for (int i = 0; i < count; ++i) {
            auto window = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
            window->setGeometry(20 + (i * 37) % 700, 20 + (i * 53) % 500, 271, 71);
            windows.push_back(std::move(window));
        }
        for (auto& window : windows)
            window->show();
    });
    return app.exec();
}

struct Shown {
    // Microseconds from the exec, negative when it took longer than a minute.
    double mappedUs = -1;
    double paintedUs = -1;
    // When not all were painted: how many were mapped, painted, and reported no drawing of the
    // program's own (one damage, the server's copy at the map, or none).
    int mapped = 0;
    int painted = 0;
    int oneDamage = 0;
    int noDamage = 0;
};

// Starts the program and waits until `count` windows have been mapped on the root window and as
// many of them painted. Each top-level window is watched for damage from its creation, before
// its first drawing can happen; the first damage of a redirected window is the server's own copy
// of what lay beneath it when it was mapped, the second one the program's drawing.
Shown timeToShown(xcb_connection_t* x, xcb_window_t root, uint8_t damageEvent, const QStringList& command,
                  const QString& folder, int count)
{
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    while (xcb_generic_event_t* stale = xcb_poll_for_event(x))
        free(stale);

    QElapsedTimer t;
    t.start();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(QFile::encodeName(folder).constData()) != 0)
            _exit(127);
        std::vector<QByteArray> args;
        for (const QString& arg : command)
            args.push_back(QFile::encodeName(arg));
        std::vector<char*> argv;
        for (QByteArray& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::set<xcb_window_t> mapped, painted;
    std::map<xcb_window_t, int> damages;
    int paintedAndMapped = 0;
    Shown shown;
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    // A round that stops getting anywhere once all are mapped is given up: under load the
    // benchmark may watch a window only after its first drawing.
    qint64 lastProgressMs = 0;
    int lastPainted = 0;
    while (t.elapsed() < 60000 && !(shown.mappedUs >= 0 && t.elapsed() - lastProgressMs > 10000)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                xcb_damage_create(x, xcb_generate_id(x), created->window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
                xcb_flush(x);
            } else if (type == XCB_MAP_NOTIFY) {
                const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
                if (mapped.insert(window).second && painted.count(window))
                    ++paintedAndMapped;
            } else if (type == damageEvent + XCB_DAMAGE_NOTIFY) {
                const xcb_window_t window = reinterpret_cast<xcb_damage_notify_event_t*>(event)->drawable;
                if (++damages[window] == 2 && painted.insert(window).second && mapped.count(window))
                    ++paintedAndMapped;
            }
            free(event);
        }
        if (shown.mappedUs < 0 && int(mapped.size()) >= count)
            shown.mappedUs = double(t.nsecsElapsed()) / 1e3;
        if (paintedAndMapped != lastPainted || shown.mappedUs < 0) {
            lastPainted = paintedAndMapped;
            lastProgressMs = t.elapsed();
        }
        if (paintedAndMapped >= count) {
            shown.paintedUs = double(t.nsecsElapsed()) / 1e3;
            break;
        }
        poll(&fd, 1, 100);
    }
    if (shown.paintedUs < 0) {
        shown.mapped = int(mapped.size());
        shown.painted = paintedAndMapped;
        for (xcb_window_t window : mapped) {
            const auto seen = damages.find(window);
            shown.oneDamage += seen != damages.end() && seen->second == 1;
            shown.noDamage += seen == damages.end() || seen->second == 0;
        }
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const uint32_t none = 0;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &none);
    xcb_flush(x);
    return shown;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--bare")
        return bareWindows(argc, argv, atoi(argv[2]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_bench <zufusen binary> [rounds]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString program = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? atoi(argv[2]) : 3;
    int screen = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(x))
        fail("no X display: run it under Xvfb (bench/startup_bench.sh)");
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screen; ++i)
        xcb_screen_next(&it);
    const xcb_window_t root = it.data->root;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(x, &xcb_damage_id);
    if (!damage || !damage->present)
        fail("the X server has no DAMAGE extension");
    free(xcb_damage_query_version_reply(x, xcb_damage_query_version(x, 1, 1), nullptr));
    const xcb_query_extension_reply_t* composite = xcb_get_extension_data(x, &xcb_composite_id);
    if (!composite || !composite->present)
        fail("the X server has no Composite extension");
    free(xcb_composite_query_version_reply(x, xcb_composite_query_version(x, 0, 4), nullptr));
    xcb_composite_redirect_subwindows(x, root, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    std::printf("== startup_bench: exec to the last note mapped and painted, first tick included (xcb on %s)\n",
                qgetenv("DISPLAY").constData());

    // Each count with its time target and its target over the floor of the same run.
    const std::tuple<int, double, double> sizes[] = {{100, 1200, 1.05}, {1000, 2300, 1.2}};
    for (const auto& [notes, targetMs, targetRatio] : sizes) {
        ScratchStore scratch;
        scratch.addNotes(notes, true);
        scratch.addNotes(notes, false);
        const QString copy = scratch.folder() + QStringLiteral("/zufusen");
        if (!QFile::copy(program, copy))
            fail("cannot copy the program beside the scratch store");
        std::vector<double> program, bare, programPainted, barePainted;
        int retried = 0;
        for (int round = 0; round < rounds; ++round) {
            const Shown ours = timeToShown(x, root, damage->first_event, {copy}, scratch.folder(), notes);
            const Shown floor =
                timeToShown(x, root, damage->first_event,
                            {QCoreApplication::applicationFilePath(), QStringLiteral("--bare"), QString::number(notes)},
                            scratch.folder(), notes);
            if (ours.paintedUs < 0 || floor.paintedUs < 0) {
                for (const auto& [who, shown] : {std::pair{"zufusen", ours}, std::pair{"floor", floor}})
                    if (shown.paintedUs < 0)
                        std::fprintf(stderr,
                                     "startup_bench: %s: %d mapped, %d painted; %d with only the map's damage, %d "
                                     "with none; the round is run again\n",
                                     who, shown.mapped, shown.painted, shown.oneDamage, shown.noDamage);
                if (++retried > 2 * rounds)
                    fail("the windows did not all map and paint, round after round");
                --round;
                continue;
            }
            program.push_back(ours.mappedUs);
            programPainted.push_back(ours.paintedUs);
            bare.push_back(floor.mappedUs);
            barePainted.push_back(floor.paintedUs);
        }
        const std::vector<double> checks = sample(20, [&] {
            if (!StoreHealth::of(QString::fromUtf8(scratch.path())).isSound())
                fail("the scratch store did not pass its check");
        });
        const Figures figures = figuresOf(program);
        const QByteArray name = "zufusen, " + QByteArray::number(notes) + " open notes";
        const QByteArray floorName = "floor: " + QByteArray::number(notes) + " bare frameless windows after 1 s";
        printFigures(name.constData(), figures, Unit::Ms);
        printFigures(floorName.constData(), figuresOf(bare), Unit::Ms);
        printFigures((name + ", last painted").constData(), figuresOf(programPainted), Unit::Ms);
        printFigures((floorName + ", last painted").constData(), figuresOf(barePainted), Unit::Ms);
        printTarget((name + ", median").constData(), figures.median / 1000, targetMs, "ms");
        printRatio((name + ", mapped / floor").constData(), figures, figuresOf(bare), targetRatio);
        printRatio((name + ", painted / floor").constData(), figuresOf(programPainted), figuresOf(barePainted),
                   targetRatio);
        if (retried > 0)
            std::printf("  %-56s %d\n", (name + ", rounds run again").constData(), retried);
        printFigures(("check of the store (quick_check), " + QByteArray::number(notes) + " open notes").constData(),
                     figuresOf(checks), Unit::Ms);
    }
    xcb_disconnect(x);
    return 0;
}
