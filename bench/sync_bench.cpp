// Synchronising: another PC's file of 1,000 notes read and merged into a store; in the running
// program, the time from a file landing in the folder to its note shown, and the longest the
// event loop waits while a round merges; the start with synchronising on beside one without.
#include "app/Application.h"
#include "app/SyncStep.h"
#include "core/SyncFile.h"
#include "core/SyncStore.h"
#include "gui/ErrorReport.h"
#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"

#include "BenchSupport.h"
#include "FakeDesktop.h"

#include <QDir>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTimer>
#include <QWindow>

#include <optional>

using namespace Bench;

namespace {

// Another PC's file: a store of `notes` open notes, synchronised once, its file in `folder`.
SyncFileContent peerFile(int notes, const QString& text = {})
{
    ScratchStore peer;
    peer.addNotes(notes, true, text);
    const NoteStore store(peer.folder());
    if (!SyncStore::turnOn(store, peer.folder() + QStringLiteral("/sync"), QStringLiteral("PEER"),
                           QStringLiteral("peer-host")))
        fail("the peer store could not synchronise");
    StoreResult<SyncRound> round = SyncStore::runRound(store, {});
    if (!round)
        fail("the peer's round failed");
    return round->file;
}

// A store here that synchronises with `folder`.
void syncWith(const ScratchStore& scratch, const QString& folder)
{
    if (!SyncStore::turnOn(NoteStore(scratch.folder()), folder, QStringLiteral("HERE"), QSysInfo::machineHostName()))
        fail("the store could not synchronise");
}

void measureMerge()
{
    QTemporaryDir folder;
    SyncFileContent file = peerFile(1000);
    file.storeId = QStringLiteral("00000000000000ee");
    if (!SyncFile::write(folder.path(), file))
        fail("the peer's file could not be written");
    const QString path = QDir(folder.path()).filePath(SyncFile::fileName(file.storeId, file.pcName));
    std::vector<double> reads, merges, both;
    for (int i = 0; i < 7; ++i) {
        ScratchStore here;
        syncWith(here, folder.path());
        QElapsedTimer t;
        t.start();
        const StoreResult<SyncFileContent> read = SyncFile::read(path);
        const double readUs = microsecondsOf(t);
        if (!read || read->items.size() != 1000)
            fail("the peer's file did not read");
        t.restart();
        const StoreResult<SyncRound> round = SyncStore::runRound(NoteStore(here.folder()), {*read});
        const double mergeUs = microsecondsOf(t);
        if (!round || round->notesAdded.size() != 1000)
            fail("the merge did not add every note");
        reads.push_back(readUs);
        merges.push_back(mergeUs);
        both.push_back(readUs + mergeUs);
    }
    printFigures("a peer's file of 1,000 notes read and checked", figuresOf(reads), Unit::Ms);
    printFigures("  ... merged into a store", figuresOf(merges), Unit::Ms);
    const Figures total = figuresOf(both);
    printFigures("  ... read and merged", total, Unit::Ms);
    printTarget("1,000 notes read and merged, median", total.median / 1000.0, 100, "ms");
}

// Ticks by hand until the notes are back and a first round has run.
void settle(Application& app)
{
    for (int i = 0; i < 3 || app.restorePending(); ++i) {
        app.tick();
        QCoreApplication::processEvents();
    }
}

NoteWindow* shownNoteWith(NoteRegistry& notes, const QString& text)
{
    for (NoteWindow* note : notes.notes())
        // A window's text ends its last line.
        if (note->snapshot().text.startsWith(text) && note->windowHandle() && note->windowHandle()->isExposed())
            return note;
    return nullptr;
}

// The longest the event loop waits, sampled by a timer that asks to run every millisecond.
class StallWatch {
public:
    StallWatch()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longestUs = std::max(m_longestUs, microsecondsOf(m_since));
            m_since.restart();
        });
        m_since.start();
        m_timer.start();
    }
    double longestUs() const { return m_longestUs; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    double m_longestUs = 0;
};

void measureLanding()
{
    FakeDesktop desktop;
    desktop.cursor = QPoint(500, 400);
    std::vector<double> landed, mergeUs, mergeStalls, showUs, showStalls;
    for (int i = 0; i < 5; ++i) {
        QTemporaryDir folder;
        ScratchStore here;
        here.addNotes(20, true);
        syncWith(here, folder.path());
        const NoteStore store(here.folder());
        Application app(desktop, store, [](const QString&) {});
        app.tickTimer().stop();
        settle(app);

        // One note typed on the other PC arrives: the sync tool renames it into place.
        const QString text = QStringLiteral("届いたメモ %1").arg(i);
        SyncFileContent file = peerFile(1, text);
        file.storeId = QStringLiteral("00000000000000e%1").arg(i);
        QElapsedTimer t;
        t.start();
        if (!SyncFile::write(folder.path(), file))
            fail("the peer's file could not be written");
        while (!shownNoteWith(app.notes(), text)) {
            if (t.elapsed() > 30000)
                fail("the note from the other PC never showed");
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        landed.push_back(microsecondsOf(t));

        // Then 1,000 notes new there at once: the rounds that merge them, and the windows that
        // then open a few at a time, each watched for the longest wait of the event loop.
        SyncFileContent many = peerFile(1000);
        many.storeId = QStringLiteral("00000000000000f%1").arg(i);
        bool merged = false;
        QObject::connect(&app.sync(), &SyncStep::roundFinished, [&](bool changed) { merged |= changed; });
        std::optional<StallWatch> watch;
        watch.emplace();
        QElapsedTimer t2;
        t2.start();
        if (!SyncFile::write(folder.path(), many))
            fail("the peer's file could not be written");
        while (!merged) {
            if (t2.elapsed() > 60000)
                fail("the round never came");
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        mergeUs.push_back(microsecondsOf(t2));
        mergeStalls.push_back(watch->longestUs());
        watch.emplace();
        while (app.notes().notes().size() < 1021) {
            if (t2.elapsed() > 120000)
                fail("the merged notes were never all shown");
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        showUs.push_back(microsecondsOf(t2));
        showStalls.push_back(watch->longestUs());
        app.shutDown(false);
    }
    const Figures shown = figuresOf(landed);
    printFigures("a file landing in the folder → its note shown", shown, Unit::Ms);
    printTarget("landing → shown, median", shown.median / 1000.0, 2000, "ms");
    printFigures("1,000 notes landing → merged in the store", figuresOf(mergeUs), Unit::Ms);
    const Figures stall = figuresOf(mergeStalls);
    printFigures("  ... longest wait of the event loop", stall, Unit::Ms);
    printTarget("longest wait while merging, median", stall.median / 1000.0, 16, "ms");
    printFigures("  ... → all 1,000 windows built", figuresOf(showUs), Unit::Ms);
    printFigures("  ... longest wait of the event loop", figuresOf(showStalls), Unit::Ms);
}

// The program made on a store of 100 open notes until every note is exposed, with synchronising
// on and off in turns.
void measureStart()
{
    FakeDesktop desktop;
    desktop.cursor = QPoint(500, 400);
    std::vector<double> plain, synced;
    for (int i = 0; i < 7; ++i)
        for (const bool sync : {false, true}) {
            QTemporaryDir folder;
            ScratchStore here;
            here.addNotes(100, true);
            if (sync)
                syncWith(here, folder.path());
            const NoteStore store(here.folder());
            QElapsedTimer t;
            t.start();
            Application app(desktop, store, [](const QString&) {});
            app.tickTimer().stop();
            // The first tick brings the notes back; a round comes at a later one.
            while (app.restorePending())
                app.tick();
            const auto exposed = [&] {
                for (NoteWindow* note : app.notes().notes())
                    if (!note->windowHandle() || !note->windowHandle()->isExposed())
                        return false;
                return app.notes().notes().size() == 100;
            };
            while (!exposed()) {
                if (t.elapsed() > 60000)
                    fail("the notes were never all shown");
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
            (sync ? synced : plain).push_back(microsecondsOf(t));
            app.shutDown(false);
        }
    const Figures without = figuresOf(plain);
    const Figures with = figuresOf(synced);
    printFigures("start, 100 notes, until all exposed", without, Unit::Ms);
    printFigures("  ... synchronising", with, Unit::Ms);
    printRatio("start synchronising / not", with, without, 1.05);
}

} // namespace

int main(int argc, char** argv)
{
    defaultToOffscreen();
    GuardedApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    printHeader("sync_bench: synchronising through a folder");
    measureMerge();
    measureLanding();
    measureStart();
    return 0;
}
