// The tray's バックアップから戻す... with eleven large copies in the backup folder: from the menu
// item to the dialog shown, to the newest usable copy chosen, and to every copy checked and counted;
// and the longest the event loop stood still meanwhile. Cold: each copy dropped from the page cache
// before the round; warm: read just before.
#include "app/Application.h"
#include "gui/ErrorReport.h"
#include "gui/Tray.h"

#include "BenchSupport.h"
#include "FakeDesktop.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QTreeWidget>

#include <fcntl.h>
#include <unistd.h>

using namespace Bench;

namespace {

constexpr int Copies = 11;

// The store grown to about the given size with notes of 40 KB each.
void fillTo(const ScratchStore& scratch, int megabytes)
{
    sqlite3* db = nullptr;
    check(sqlite3_open(scratch.path().constData(), &db), db);
    const QByteArray fill = "with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
                            QByteArray::number(megabytes * 25) +
                            ") insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, "
                            "alpha) select '2026/12/01', hex(randomblob(20000)), 10, 20, 271, 71, 0, -1, 65535, 200 "
                            "from n";
    check(sqlite3_exec(db, fill.constData(), nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

void dropFromCache(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        fail("a copy could not be opened");
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

void readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("a copy could not be read");
    while (!file.read(1 << 20).isEmpty()) {
    }
}

struct Round {
    double shown = 0;
    double chosen = 0;
    double checked = 0;
    double longestStall = 0;
};

// One press of the menu item; the dialog is cancelled once every copy is counted.
Round pressRestoreItem(Application& app)
{
    Round round;
    QElapsedTimer clock;
    double lastTick = 0;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const double now = microsecondsOf(clock) / 1000.0;
        round.longestStall = std::max(round.longestStall, now - lastTick);
        lastTick = now;
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (round.shown == 0)
            round.shown = now;
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("backupList"));
        if (round.chosen == 0 && !list->selectedItems().isEmpty())
            round.chosen = now;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(1) == QStringLiteral("…"))
                return;
        round.checked = now;
        dialog->reject();
    });
    clock.start();
    poll.start();
    app.tray().restoreBackupAction()->trigger();
    // What was not seen before the dialog closed came at its show.
    if (round.chosen == 0)
        round.chosen = round.checked;
    return round;
}

void measure(int megabytes, int rounds)
{
    ScratchStore scratch;
    fillTo(scratch, megabytes);
    const QDir backups(QDir(scratch.folder()).filePath(QStringLiteral("backup")));
    QDir().mkpath(backups.path());
    QStringList copies;
    for (int i = 0; i < Copies; ++i) {
        copies << backups.filePath(QStringLiteral("zu_daviv-%1.db").arg(20261209 - i));
        if (!QFile::copy(QString::fromUtf8(scratch.path()), copies.last()))
            fail("a copy could not be made");
    }
    FakeDesktop desktop;
    desktop.clock = QDateTime(QDate(2026, 12, 9), QTime(10, 30));
    const NoteStore store(scratch.folder());
    Application app(desktop, store);
    app.tickTimer().stop();
    std::printf("  %d copies of %lld MB\n", Copies, QFileInfo(copies.first()).size() >> 20);
    for (const bool cold : {true, false}) {
        std::vector<double> shown, chosen, checked, stalls;
        for (int i = 0; i < rounds; ++i) {
            for (const QString& copy : copies)
                cold ? dropFromCache(copy) : readWhole(copy);
            const Round round = pressRestoreItem(app);
            shown.push_back(round.shown * 1000);
            chosen.push_back(round.chosen * 1000);
            checked.push_back(round.checked * 1000);
            stalls.push_back(round.longestStall * 1000);
        }
        const char* cache = cold ? "cold" : "warm";
        std::printf("  %s cache:\n", cache);
        printFigures("menu item to the dialog shown", figuresOf(shown), Unit::Ms);
        printFigures("menu item to the newest usable copy chosen", figuresOf(chosen), Unit::Ms);
        printFigures("menu item to every copy checked and counted", figuresOf(checked), Unit::Ms);
        printFigures("longest the event loop stood still", figuresOf(stalls), Unit::Ms);
    }
}

} // namespace

int main(int argc, char** argv)
{
    defaultToOffscreen();
    GuardedApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    printHeader("backup_dialog_bench: the restore dialog over eleven large copies");
    measure(argc > 1 ? std::atoi(argv[1]) : 40, argc > 2 ? std::atoi(argv[2]) : 3);
    return 0;
}
