// The note list filled from 10,000 rows, from a store holding one 50 MB note, and from 100,000
// rows, its search at every keystroke; the one-second timer's tick with 1,000 reminders cached,
// none of them due.
#include "app/Application.h"
#include "core/NoteStore.h"
#include "core/ReminderSchedule.h"
#include "gui/ErrorReport.h"
#include "gui/NoteList.h"
#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"
#include "gui/Tray.h"

#include "BenchSupport.h"
#include "FakeDesktop.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace Bench;

namespace {

// One store for the list, what is typed into its search, and what the figures must stay under.
struct ListCase {
    const char* name;
    int rows;
    // Typed one character at a time, then taken back one at a time.
    QString typed;
    // Samples of each load, and how often the text is typed and taken back.
    int loads;
    int rounds;
    double openLimitMs;
    double keyLimitMs;
    // The keystroke target holds for every key, not only for 95 % of them.
    bool everyKey;
};

// Stays within the 72-column figure lines.
void printCaseFigures(const ListCase& c, const char* what, const Figures& f)
{
    printFigures(qPrintable(QStringLiteral("%1, %2").arg(QString::fromUtf8(c.name), QString::fromUtf8(what))), f,
                 Unit::Ms);
}

void measureNoteList(const ScratchStore& scratch, const ListCase& c)
{
    FakeDesktop desktop;
    const NoteStore store(scratch.folder());
    QWidget owner;
    ErrorReport report;
    NoteRegistry notes(desktop, store, report, &owner);
    NoteList list(store, notes, report);
    auto* view = list.findChild<QTreeWidget*>(QStringLiteral("notesView"));
    if (!view)
        fail("the list has no view of the notes");

    // Opened as 付箋一覧 opens it: the showing loads the rows; until painted.
    const Figures opened = figuresOf(sample(c.loads, [&] {
        list.hide();
        list.show();
        if (!QTest::qWaitForWindowExposed(&list))
            fail("the list was never shown");
        QCoreApplication::processEvents();
    }));
    if (view->topLevelItemCount() != c.rows)
        fail("the list does not hold every row");
    // Filled again while hidden, and while shown as after 再表示 and 削除.
    list.hide();
    const Figures hidden = figuresOf(sample(c.loads, [&] { list.loadNotes(); }));
    list.show();
    if (!QTest::qWaitForWindowExposed(&list))
        fail("the list was never shown");
    const Figures shown = figuresOf(sample(c.loads, [&] {
        list.loadNotes();
        QCoreApplication::processEvents();
    }));

    // The search filters at every keystroke: the text typed one character at a time and
    // deleted again, each time until the list has painted.
    auto* search = list.findChild<QLineEdit*>(QStringLiteral("searchEdit"));
    if (!search)
        fail("the list has no SearchEdit");
    std::vector<double> keystrokes;
    const auto key = [&](qsizetype length) {
        QElapsedTimer t;
        t.start();
        search->setText(c.typed.left(length));
        QCoreApplication::processEvents();
        keystrokes.push_back(microsecondsOf(t));
    };
    for (int round = 0; round < c.rounds; ++round) {
        for (qsizetype i = 1; i <= c.typed.size(); ++i)
            key(i);
        for (qsizetype i = c.typed.size() - 1; i >= 0; --i)
            key(i);
    }
    const Figures filter = figuresOf(keystrokes);
    list.hide();
    if (view->topLevelItemCount() != c.rows || view->topLevelItem(c.rows - 1)->text(1).isEmpty())
        fail("the list does not hold every row");
    printCaseFigures(c, "opened and painted", opened);
    printCaseFigures(c, "NoteList::loadNotes, hidden", hidden);
    printCaseFigures(c, "NoteList::loadNotes, shown, painted", shown);
    printTarget(qPrintable(QStringLiteral("%1, opened, median").arg(QString::fromUtf8(c.name))), opened.median / 1000.0,
                c.openLimitMs, "ms");
    printCaseFigures(c, "search per keystroke, painted", filter);
    printTarget(qPrintable(QStringLiteral("%1, search per keystroke, %2")
                               .arg(QString::fromUtf8(c.name), QLatin1String(c.everyKey ? "max" : "p95"))),
                (c.everyKey ? filter.max : filter.P95) / 1000.0, c.keyLimitMs, "ms");
}

// A pasted text of about the given size as the store holds it: many notes' worth of lines.
QString pastedText(qsizetype storedBytes)
{
    const QString line = noteText(0);
    const qsizetype perLine = encodeStoreText(line).size();
    QString text;
    text.reserve(storedBytes / perLine * line.size() + line.size());
    for (qsizetype bytes = 0, i = 0; bytes < storedBytes; bytes += perLine, ++i)
        text += noteText(int(i % 1000));
    return text;
}

void measureNoteLists(const QStringList& only)
{
    const auto wanted = [&only](const char* key) { return only.isEmpty() || only.contains(QLatin1String(key)); };
    if (wanted("10k")) {
        ScratchStore scratch;
        scratch.addNotes(5000, true);
        scratch.addNotes(5000, false);
        measureNoteList(scratch, {"10,000 rows", 10000, QStringLiteral("買い物りすと 12"), 9, 3, 200, 16, false});
    }
    // A note pasted from a 50 MB file and ended, among a few ordinary ones, its row in sight.
    // The last word is nowhere in it, so the whole text is searched.
    if (wanted("big")) {
        ScratchStore scratch;
        scratch.addNotes(3, true);
        scratch.addNotes(1, false, pastedText(50'000'000));
        scratch.addNotes(3, false);
        measureNoteList(scratch, {"one 50 MB note", 7, QStringLiteral("りすと たまご"), 3, 1, 1000, 100, true});
    }
    if (wanted("100k")) {
        ScratchStore scratch;
        scratch.addNotes(50000, true);
        scratch.addNotes(50000, false);
        measureNoteList(scratch, {"100,000 rows", 100000, QStringLiteral("買い物りすと 12"), 3, 1, 1000, 100, true});
    }
}

void measureReminderTick()
{
    ScratchStore scratch;
    {
        SqliteDatabase db = SqliteDatabase::open(scratch.path()).value();
        SqliteTransaction transaction = SqliteTransaction::begin(db).value();
        for (int i = 0; i < 1000; ++i) {
            const QTime time(i / 60 % 24, i % 60);
            if (!db.runStatement(Statements::addMessage(formatStoreTime(time), QStringLiteral("会議の準備 %1").arg(i),
                                                        formatStoreDate(QDate(2026, 12, 1).addDays(i % 30)))))
                fail("the reminders could not be stored");
        }
        if (!transaction.commit())
            fail("the reminders could not be stored");
    }
    FakeDesktop desktop;
    const NoteStore store(scratch.folder());
    desktop.cursor = QPoint(500, 400);
    // A minute no reminder names, the seconds in which a due one would fire.
    desktop.clock = QDateTime(QDate(2026, 12, 9), QTime(23, 59, 1));
    Application app(desktop, store);
    app.tickTimer().stop();
    if (app.reminders().entries().size() != 1000)
        fail("the reminder cache does not hold 1,000 entries");
    app.tick(); // the first tick restores; the ones after it are the steady state
    QSignalSpy shown(&app.tray(), &Tray::balloonShown);
    const Figures tick = figuresOf(sample(2000, [&] { app.tick(); }));
    if (!shown.isEmpty())
        fail("a reminder fired in a minute none names");
    printFigures("timer tick, 1,000 cached reminders, none due", tick, Unit::Us);
    printTarget("timer tick median", tick.median / 1000.0, 2, "ms");
}

} // namespace

int main(int argc, char** argv)
{
    defaultToOffscreen();
    GuardedApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    printHeader("list_bench: the note list and the reminder tick");
    // Cases by name (10k, big, 100k, tick); all without any.
    const QStringList only = app.arguments().mid(1);
    measureNoteLists(only);
    if (only.isEmpty() || only.contains(QLatin1String("tick")))
        measureReminderTick();
    return 0;
}
