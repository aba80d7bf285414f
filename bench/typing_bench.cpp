// Typing into a note: how long a keystroke takes until the editor has repainted, against a bare
// plain-text editor of the same size in the same run, and how many saves a burst of typing makes.
// A burst is 20 keystrokes 30 ms apart, then a pause longer than the note's save delay.
#include "BenchSupport.h"

#include "notes/RichEdit.h"
#include "notes/uFDaviv.h"
#include "shell/ErrorReport.h"
#include "tests/FakeDesktop.h"
#include "store/NoteStore.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Bench;

namespace {

constexpr int Bursts = 8;
constexpr int KeysPerBurst = 20;
constexpr int KeyGapMs = 30;

// Notes when the editor's viewport has been painted.
class TPaintWatch : public QObject {
public:
    explicit TPaintWatch(QWidget* viewport) { viewport->installEventFilter(this); }
    bool Painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return false;
    }
};

// One keystroke, timed from the key press until the repaint it causes is done.
double TypeOne(QPlainTextEdit* editor, TPaintWatch& watch, QChar key)
{
    watch.Painted = false;
    QElapsedTimer t;
    t.start();
    QTest::keyClick(editor, key.toLatin1());
    while (!watch.Painted && t.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return MicrosecondsOf(t);
}

std::vector<double> TypeBursts(QPlainTextEdit* editor, const std::function<void()>& afterBurst)
{
    TPaintWatch watch(editor->viewport());
    std::vector<double> samples;
    const QString text = QStringLiteral("the quick brown fox ");
    for (int burst = 0; burst < Bursts; ++burst) {
        for (int i = 0; i < KeysPerBurst; ++i) {
            samples.push_back(TypeOne(editor, watch, text.at(i % text.size())));
            QTest::qWait(KeyGapMs);
        }
        afterBurst();
    }
    return samples;
}

} // namespace

int main(int argc, char** argv)
{
    DefaultToOffscreen();
    TApplication app(argc, argv);
    PrintHeader("typing_bench: keystroke to repaint, and saves per burst of typing");

    TScratchStore scratch;
    const std::vector<qint32> ids = scratch.AddNotes(100, true);
    TFakeDesktop desktop;
    const TNoteStore store(scratch.Folder());
    TfrmDaviv templateNote(desktop, store, nullptr);
    frmDaviv = &templateNote;

    TfrmDaviv note(desktop, store, nullptr);
    note.SetRecord(*store.Note(ids[50]));
    note.show();
    if (!QTest::qWaitForWindowExposed(&note))
        Fail("the note did not show");
    note.activateWindow();
    note.RichEdMemo()->setFocus();
    QSignalSpy saved(&note, &TfrmDaviv::Saved);
    std::vector<int> savesPerBurst;
    const std::vector<double> typed = TypeBursts(note.RichEdMemo(), [&] {
        const int before = int(saved.count());
        QTest::qWait(TfrmDaviv::SaveDelayMs + 300);
        savesPerBurst.push_back(int(saved.count()) - before);
    });

    QPlainTextEdit bare;
    bare.resize(note.RichEdMemo()->size());
    bare.setPlainText(note.RichEdMemo()->toPlainText());
    bare.show();
    if (!QTest::qWaitForWindowExposed(&bare))
        Fail("the bare editor did not show");
    bare.activateWindow();
    bare.setFocus();
    const std::vector<double> floor = TypeBursts(&bare, [] { QTest::qWait(100); });

    const TFigures noteFigures = FiguresOf(typed);
    const TFigures floorFigures = FiguresOf(floor);
    PrintFigures("keystroke to repaint, note (save after a pause)", noteFigures, TUnit::Us);
    PrintFigures("keystroke to repaint, bare QPlainTextEdit", floorFigures, TUnit::Us);
    PrintRatio("note / bare editor", noteFigures, floorFigures, 0);
    int saves = 0;
    bool onePerBurst = true;
    for (int n : savesPerBurst) {
        saves += n;
        onePerBurst = onePerBurst && n == 1;
    }
    std::printf("  %-56s %d saves for %d bursts of %d keys: %s\n", "saves per burst of typing", saves, Bursts,
                KeysPerBurst, onePerBurst ? "one each, met" : "MISSED");
    if (store.Note(ids[50])->Record.Text != note.MemoText())
        Fail("the typed text did not reach the store");
    frmDaviv = nullptr;
    return 0;
}
