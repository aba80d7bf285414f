// Typing into a note: how long a keystroke takes until the editor has repainted, against a bare
// plain-text editor of the same size in the same run, and how many saves a burst of typing makes.
// A burst is 20 keystrokes 30 ms apart, then a pause longer than the note's save delay.
#include "core/NoteStore.h"
#include "gui/ErrorReport.h"
#include "gui/NoteEditor.h"
#include "gui/NoteWindow.h"

#include "BenchSupport.h"
#include "FakeDesktop.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Bench;

namespace {

constexpr int bursts = 8;
constexpr int KeysPerBurst = 20;
constexpr int KeyGapMs = 30;

// Notes when the editor's viewport has been painted.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* viewport) { viewport->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// One keystroke, timed from the key press until the repaint it causes is done.
double typeOne(QPlainTextEdit* editor, PaintWatch& watch, QChar key)
{
    watch.painted = false;
    QElapsedTimer t;
    t.start();
    QTest::keyClick(editor, key.toLatin1());
    while (!watch.painted && t.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return microsecondsOf(t);
}

std::vector<double> typeBursts(QPlainTextEdit* editor, const std::function<void()>& afterBurst)
{
    PaintWatch watch(editor->viewport());
    std::vector<double> samples;
    const QString text = QStringLiteral("the quick brown fox ");
    for (int burst = 0; burst < bursts; ++burst) {
        for (int i = 0; i < KeysPerBurst; ++i) {
            samples.push_back(typeOne(editor, watch, text.at(i % text.size())));
            QTest::qWait(KeyGapMs);
        }
        afterBurst();
    }
    return samples;
}

} // namespace

int main(int argc, char** argv)
{
    defaultToOffscreen();
    GuardedApplication app(argc, argv);
    printHeader("typing_bench: keystroke to repaint, and saves per burst of typing");

    ScratchStore scratch;
    const std::vector<qint32> ids = scratch.addNotes(100, true);
    FakeDesktop desktop;
    const NoteStore store(scratch.folder());

    ErrorReport report;
    NoteWindow note(desktop, store, report, nullptr);
    const StoredNote typedIn = store.note(ids[50]).value().value();
    note.take(typedIn.note, typedIn.image, {});
    note.show();
    if (!QTest::qWaitForWindowExposed(&note))
        fail("the note did not show");
    note.activateWindow();
    note.editor()->setFocus();
    QSignalSpy saved(&note, &NoteWindow::saved);
    std::vector<int> savesPerBurst;
    const std::vector<double> typed = typeBursts(note.editor(), [&] {
        const int before = int(saved.count());
        QTest::qWait(NoteWindow::SaveDelayMs + 300);
        savesPerBurst.push_back(int(saved.count()) - before);
    });

    QPlainTextEdit bare;
    bare.resize(note.editor()->size());
    bare.setPlainText(note.editor()->toPlainText());
    bare.show();
    if (!QTest::qWaitForWindowExposed(&bare))
        fail("the bare editor did not show");
    bare.activateWindow();
    bare.setFocus();
    const std::vector<double> floor = typeBursts(&bare, [] { QTest::qWait(100); });

    const Figures noteFigures = figuresOf(typed);
    const Figures floorFigures = figuresOf(floor);
    printFigures("keystroke to repaint, note (save after a pause)", noteFigures, Unit::Us);
    printFigures("keystroke to repaint, bare QPlainTextEdit", floorFigures, Unit::Us);
    printRatio("note / bare editor", noteFigures, floorFigures, 0);
    int saves = 0;
    bool onePerBurst = true;
    for (int n : savesPerBurst) {
        saves += n;
        onePerBurst = onePerBurst && n == 1;
    }
    std::printf("  %-56s %d saves for %d bursts of %d keys: %s\n", "saves per burst of typing", saves, bursts,
                KeysPerBurst, onePerBurst ? "one each, met" : "MISSED");
    if (store.note(ids[50]).value()->note.text != note.text())
        fail("the typed text did not reach the store");
    return 0;
}
