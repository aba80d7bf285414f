// The note list filled from 10,000 rows, and the one-second timer's tick with 1,000 reminders
// cached, none of them due.
#include "BenchSupport.h"

#include "NoteStore.h"

#include "NoteList.h"
#include "NoteWindow.h"
#include "ErrorReport.h"
#include "FakeDesktop.h"
#include "Application.h"
#include "NoteRegistry.h"
#include "ReminderSchedule.h"
#include "Tray.h"

#include <QLineEdit>
#include <QTest>
#include <QSignalSpy>
#include <QTreeWidget>

using namespace Bench;

namespace {

void measureNoteList()
{
    ScratchStore scratch;
    scratch.addNotes(5000, true);
    scratch.addNotes(5000, false);
    FakeDesktop desktop;
    const NoteStore store(scratch.folder());
    QWidget owner;
    NoteRegistry notes(desktop, store, &owner);
    NoteList list(store, notes);
    auto* view = list.findChild<QTreeWidget*>(QStringLiteral("notesView"));
    if (!view)
        fail("the list has no view of the notes");

    // Filled while hidden, and again while shown as after 再表示 and 削除.
    const Figures hidden = figuresOf(sample(9, [&] { list.loadNotes(); }));
    if (view->topLevelItemCount() != 10000)
        fail("the list does not hold every row");
    list.show();
    if (!QTest::qWaitForWindowExposed(&list))
        fail("the list was never shown");
    const Figures shown = figuresOf(sample(9, [&] {
        list.loadNotes();
        QCoreApplication::processEvents();
    }));

    // The search filters at every keystroke: the text typed one character at a time and
    // deleted again, each time until the list has painted.
    auto* search = list.findChild<QLineEdit*>(QStringLiteral("searchEdit"));
    if (!search)
        fail("the list has no SearchEdit");
    std::vector<double> keystrokes;
    const QString typed = QStringLiteral("買い物りすと 12");
    for (int round = 0; round < 3; ++round) {
        for (qsizetype i = 1; i <= typed.size(); ++i) {
            QElapsedTimer t;
            t.start();
            search->setText(typed.left(i));
            QCoreApplication::processEvents();
            keystrokes.push_back(microsecondsOf(t));
        }
        for (qsizetype i = typed.size() - 1; i >= 0; --i) {
            QElapsedTimer t;
            t.start();
            search->setText(typed.left(i));
            QCoreApplication::processEvents();
            keystrokes.push_back(microsecondsOf(t));
        }
    }
    const Figures filter = figuresOf(keystrokes);
    list.hide();
    if (view->topLevelItemCount() != 10000 || view->topLevelItem(9999)->text(1).isEmpty())
        fail("the list does not hold every row");
    printFigures("NoteList::loadNotes, 10,000 rows, hidden", hidden, Unit::Ms);
    printFigures("NoteList::loadNotes, 10,000 rows, shown, then painted", shown, Unit::Ms);
    printTarget("NoteList::loadNotes shown, median", shown.median / 1000.0, 200, "ms");
    printFigures("search, 10,000 rows filtered per keystroke, painted", filter, Unit::Ms);
    printTarget("search per keystroke, p95", filter.P95 / 1000.0, 16, "ms");
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
    measureNoteList();
    measureReminderTick();
    return 0;
}
