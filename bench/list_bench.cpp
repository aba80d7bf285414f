// The note list filled from 10,000 rows, and the one-second timer's tick with 1,000 reminders
// cached, none of them due.
#include "BenchSupport.h"

#include "store/NoteStore.h"

#include "list/uFList.h"
#include "notes/uFDaviv.h"
#include "shell/ErrorReport.h"
#include "tests/FakeDesktop.h"
#include "shell/uFMain.h"

#include <QLineEdit>
#include <QTest>
#include <QSignalSpy>
#include <QTreeWidget>

using namespace Bench;

namespace {

void MeasureNoteList()
{
    TScratchStore scratch;
    scratch.AddNotes(5000, true);
    scratch.AddNotes(5000, false);
    TFakeDesktop desktop;
    const TNoteStore store(scratch.Folder());
    TfrmList list(desktop, store);
    auto* view = list.findChild<QTreeWidget*>(QStringLiteral("ListVwLg"));
    if (!view)
        Fail("the list has no ListVwLg");

    // Filled while hidden, and again while shown as after 再表示 and 削除.
    const TFigures hidden = FiguresOf(Sample(9, [&] { list.LoadNoteList(); }));
    if (view->topLevelItemCount() != 10000)
        Fail("the list does not hold every row");
    list.show();
    if (!QTest::qWaitForWindowExposed(&list))
        Fail("the list was never shown");
    const TFigures shown = FiguresOf(Sample(9, [&] {
        list.LoadNoteList();
        QCoreApplication::processEvents();
    }));

    // The search filters at every keystroke: the text typed one character at a time and
    // deleted again, each time until the list has painted.
    auto* search = list.findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    if (!search)
        Fail("the list has no SearchEdit");
    std::vector<double> keystrokes;
    const QString typed = QStringLiteral("買い物りすと 12");
    for (int round = 0; round < 3; ++round) {
        for (qsizetype i = 1; i <= typed.size(); ++i) {
            QElapsedTimer t;
            t.start();
            search->setText(typed.left(i));
            QCoreApplication::processEvents();
            keystrokes.push_back(MicrosecondsOf(t));
        }
        for (qsizetype i = typed.size() - 1; i >= 0; --i) {
            QElapsedTimer t;
            t.start();
            search->setText(typed.left(i));
            QCoreApplication::processEvents();
            keystrokes.push_back(MicrosecondsOf(t));
        }
    }
    const TFigures filter = FiguresOf(keystrokes);
    list.hide();
    if (view->topLevelItemCount() != 10000 || view->topLevelItem(9999)->text(1).isEmpty())
        Fail("the list does not hold every row");
    PrintFigures("LoadNoteList, 10,000 rows, hidden", hidden, TUnit::Ms);
    PrintFigures("LoadNoteList, 10,000 rows, shown, then painted", shown, TUnit::Ms);
    PrintTarget("LoadNoteList shown, median", shown.Median / 1000.0, 200, "ms");
    PrintFigures("search, 10,000 rows filtered per keystroke, painted", filter, TUnit::Ms);
    PrintTarget("search per keystroke, p95", filter.P95 / 1000.0, 16, "ms");
}

void MeasureReminderTick()
{
    TScratchStore scratch;
    {
        TSQLiteDatabase db(scratch.Path());
        db.StartTransaction();
        for (int i = 0; i < 1000; ++i) {
            const QTime time(i / 60 % 24, i % 60);
            db.RunStatement(StmtAddMessage(FormatStoreTime(time), QStringLiteral("会議の準備 %1").arg(i),
                                           FormatStoreDate(QDate(2026, 12, 1).addDays(i % 30))));
        }
        db.CommitTransaction();
    }
    TFakeDesktop desktop;
    const TNoteStore store(scratch.Folder());
    desktop.Cursor = QPoint(500, 400);
    // A minute no reminder names, the seconds in which a due one would fire.
    desktop.Clock = QDateTime(QDate(2026, 12, 9), QTime(23, 59, 1));
    TfrmDaviv templateNote(desktop, store, nullptr);
    frmDaviv = &templateNote;
    TfrmMain main(desktop, store);
    main.Timer1()->stop();
    frmMain = &main;
    if (main.Reminders().entries().size() != 1000)
        Fail("the reminder cache does not hold 1,000 entries");
    main.Timer1Timer(); // the first tick restores; the ones after it are the steady state
    QSignalSpy shown(&main, &TfrmMain::BalloonShown);
    const TFigures tick = FiguresOf(Sample(2000, [&] { main.Timer1Timer(); }));
    if (!shown.isEmpty())
        Fail("a reminder fired in a minute none names");
    PrintFigures("timer tick, 1,000 cached reminders, none due", tick, TUnit::Us);
    PrintTarget("timer tick median", tick.Median / 1000.0, 2, "ms");
    frmMain = nullptr;
    frmDaviv = nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    DefaultToOffscreen();
    TApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    PrintHeader("list_bench: the note list and the reminder tick");
    MeasureNoteList();
    MeasureReminderTick();
    return 0;
}
