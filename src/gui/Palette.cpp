#include "Palette.h"
#include "ui_Palette.h"

#include "NoteList.h"
#include "NoteGeometry.h"
#include "NoteEditor.h"
#include "NoteWindow.h"
#include "ColorValue.h"
#include "Desktop.h"
#include "ErrorReport.h"
#include "StoreText.h"
#include "WindowSystem.h"
#include "ReminderEditor.h"
#include "AppIcon.h"
#include "BalloonPopup.h"
#include "HotCorners.h"
#include "RescueFile.h"
#include "RestoreBackupDialog.h"
#include "Swatch.h"
#include "Backup.h"
#include "NoteStore.h"
#include "StoreRecovery.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QWindow>

#include <utility>

Palette* frmMain = nullptr;

namespace {

const char trayHint[] = "RIdozad";

// How a note is named to the user: its first line, shortened.
QString noteCaption(const NoteWindow& note)
{
    const QString first = note.text().section(QStringLiteral("\r\n"), 0, 0).trimmed();
    if (first.isEmpty())
        return QStringLiteral("・(空の付箋)");
    return QStringLiteral("・") + (first.size() > 40 ? first.left(40) + QStringLiteral("…") : first);
}

// What the user is told of a damaged store: where its copy is, and which backup to go back to.
QString damageNotice(const StoreRecovery::Damage& damage, const QString& storePath)
{
    QString text = QStringLiteral("付箋の保存ファイルが壊れています。\n") + damage.detail +
                   QStringLiteral("\n保存先: ") + QDir::toNativeSeparators(storePath);
    if (damage.copyPath.isEmpty())
        text += QStringLiteral("\n壊れたファイルの写しを作れませんでした: ") + damage.copyError;
    else
        text += QStringLiteral("\n壊れたファイルの写し: ") + QDir::toNativeSeparators(damage.copyPath);
    if (damage.newestSound)
        text += QStringLiteral("\nいちばん新しい正常なバックアップ: ") +
                RestoreBackupDialog::captionOf(damage.newestSound->copy) +
                QStringLiteral("（トレイのメニューの「バックアップから戻す...」で戻せます）");
    else
        text += QStringLiteral("\n正常なバックアップはありません。");
    return text;
}

} // namespace

Palette::Palette(Desktop& desktop, const NoteStore& store)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_desktop(desktop), m_store(store),
      ui(std::make_unique<Ui::Palette>()), m_tickTimer(new QTimer(this)), m_trayIcon(new QSystemTrayIcon(this)),
      m_paletteMenu(new QMenu(this)), m_trayMenu(new QMenu(this)), m_balloonPopup(new BalloonPopup(this)),
      m_reminders(desktop.now().addSecs(-2))
{
    // The first tick restores the notes: the second until it comes counts from here.
    m_tickTimer->setObjectName(QStringLiteral("tickTimer"));
    m_tickTimer->setInterval(1000);
    connect(m_tickTimer, &QTimer::timeout, this, guarded([this] { tick(); }));
    m_tickTimer->start();

    ui->setupUi(this);
    setFixedSize(PaletteWidth, PaletteHeight);
    move(0, 0);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(216, 231, 211));
    setPalette(background);
    setWindowOpacity(200 / 255.0);
    setWindowIcon(programIcon());

    m_paletteMenu->setObjectName(QStringLiteral("paletteMenu"));
    m_paletteMenu->addActions(
        {ui->hideAction, ui->noteListAction, ui->showAllNotesAction, ui->remindersAction, ui->quitAction});
    addActions(m_paletteMenu->actions());
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    m_trayMenu->addActions({ui->showPaletteAction, ui->trayQuitAction});
    // Beyond the two commands: a new note from anywhere, and the daily copies of the store.
    m_trayMenu->addSeparator();
    QAction* newNote = m_trayMenu->addAction(QStringLiteral("新しい付箋(&N)"));
    newNote->setObjectName(QStringLiteral("newNoteAction"));
    connect(newNote, &QAction::triggered, this, guarded([this] { newNoteFromTray(); }));
    QAction* backups = m_trayMenu->addAction(QStringLiteral("バックアップを開く(&O)"));
    backups->setObjectName(QStringLiteral("openBackupFolderAction"));
    connect(backups, &QAction::triggered, this, guarded([this] { openBackupFolder(); }));
    QAction* restore = m_trayMenu->addAction(QStringLiteral("バックアップから戻す..."));
    restore->setObjectName(QStringLiteral("restoreBackupAction"));
    connect(restore, &QAction::triggered, this, guarded([this] { chooseBackupToRestore(); }));
    connect(ui->hideAction, &QAction::triggered, this, guarded([this] { hidePalette(); }));
    connect(ui->noteListAction, &QAction::triggered, this, guarded([this] { openNoteList(); }));
    connect(ui->showAllNotesAction, &QAction::triggered, this, guarded([this] { showAllNotes(); }));
    connect(ui->remindersAction, &QAction::triggered, this, guarded([this] { editReminders(); }));
    connect(ui->quitAction, &QAction::triggered, this, guarded([this] { quit(); }));
    connect(ui->showPaletteAction, &QAction::triggered, this, guarded([this] { showPalette(); }));
    connect(ui->trayQuitAction, &QAction::triggered, this, guarded([this] { quit(); }));

    for (Swatch* swatch : {ui->pinkSwatch, ui->blueSwatch, ui->greenSwatch, ui->yellowSwatch, ui->greySwatch}) {
        connect(swatch, &Swatch::MouseDown, this,
                [this, swatch](Qt::MouseButton b) { runGuarded([&] { armDragOut(swatch, b); }); });
        connect(swatch, &Swatch::mouseLeave, this, guarded([this, swatch] { dragOut(swatch); }));
        // The first two swatches take their colour on a click, the others on a double-click.
        const bool onClick = swatch == ui->pinkSwatch || swatch == ui->blueSwatch;
        connect(swatch, onClick ? &Swatch::clicked : &Swatch::doubleClicked, this,
                guarded([this, swatch] { takeSwatchColor(swatch); }));
    }

    m_trayIcon->setObjectName(QStringLiteral("trayIcon"));
    m_trayIcon->setIcon(programIcon());
    m_trayIcon->setToolTip(QString::fromLatin1(trayHint));
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            runGuarded([this] { showPalette(); });
        else if (reason == QSystemTrayIcon::DoubleClick)
            runGuarded([this] { newNoteFromTray(); });
    });
    m_trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    m_trayIcon->show();

    // A screen unplugged or made smaller must not take notes out of reach.
    const auto watchScreen = [this](QScreen* screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, &Palette::keepNotesReachable);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watchScreen](QScreen* screen) {
        watchScreen(screen);
        keepNotesReachable();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this,
            [this] { QTimer::singleShot(0, this, &Palette::keepNotesReachable); });

    m_backups = new DailyBackup(m_store.filePath(), this);
    connect(m_backups, &DailyBackup::Finished, this,
            [this](const QString& error) { runGuarded([&] { backupFinished(error); }); });
    m_idleSince = m_desktop.now();
    m_lastCursor = m_desktop.cursorPos();
    qApp->installEventFilter(this);
    // A damaged store is found, and a copy of it kept, before the program writes to it; the user
    // is told at the first tick.
    m_recovery = std::make_unique<StoreRecovery>(m_store.filePath());
    if (const std::optional<StoreRecovery::Damage> damage = m_recovery->checkStore(m_desktop.now()))
        m_damageNotice = damageNotice(*damage, m_store.filePath());

    // A store that cannot be prepared is reported once, at the first tick, and tried again.
    if (const StoreResult<> prepared = prepareStore(); !prepared)
        m_startupError = storeFailureText(prepared.error(), m_store.filePath());
}

Palette::~Palette()
{
    if (frmMain == this)
        frmMain = nullptr;
}

StoreResult<> Palette::prepareStore()
{
    const QRect screen = m_desktop.cursorPlace().screen;
    screenWidth = screen.width();
    screenHeight = screen.height();
    dragArmed = 0;
    restorePending = true;
    noteWindows.clear();
    m_firstStart = !QFile::exists(m_store.filePath());
    if (StoreResult<> prepared = m_store.prepare(); !prepared)
        return prepared;
    m_storePrepared = true;
    return loadReminders();
}

Swatch* Palette::swatch(int index) const
{
    const Swatch* panels[] = {ui->pinkSwatch, ui->blueSwatch, ui->greenSwatch, ui->yellowSwatch, ui->greySwatch};
    return const_cast<Swatch*>(panels[index - 1]);
}

StoreResult<> Palette::loadReminders()
{
    StoreResult<std::vector<Reminder>> reminders = m_store.reminders();
    if (!reminders)
        return reminders.error();
    std::vector<ReminderSchedule::Entry> entries;
    for (Reminder& r : *reminders)
        entries.push_back({QString::number(r.id), std::move(r.timeText), std::move(r.message), std::move(r.dayText)});
    m_reminders.setEntries(std::move(entries));
    return {};
}

void Palette::tick()
{
    ++m_ticks;
    const bool retry = m_ticks % RetryTicks == 0;
    reminderStep();
    hotCornerStep();
    if (m_ticks == 1)
        tellOfRescuedNotes();
    if (m_firstStart)
        showFirstStartHint();
    if (restorePending && (m_ticks == 1 || retry))
        startupStep();
    else if (retry)
        retryUnsavedNotes();
    showSaveState();
    backupStep();
}

// The day's copy of the store is made once the user has left cursor and keyboard alone for a
// minute, so that its few milliseconds of work never meet typing.
void Palette::backupStep()
{
    const QDateTime now = m_desktop.now();
    // Where the corner step just found the cursor.
    if (m_cursor != m_lastCursor) {
        m_lastCursor = m_cursor;
        m_idleSince = now;
        return;
    }
    if (backupDue(now.date()) && !m_backups->running() && m_idleSince.msecsTo(now) >= 60000)
        m_backups->start(now.date());
}

bool Palette::backupDue(const QDate& today) const
{
    return !restorePending && !m_backups->hasCopyOf(today) && m_backupFailedOn != today;
}

void Palette::backupFinished(const QString& error)
{
    if (error.isEmpty())
        return;
    // Told once; tried again the next day.
    m_backupFailedOn = m_desktop.today();
    // A damaged store is why no copy is made: that is what the user hears, and only once.
    if (const std::optional<StoreRecovery::Damage> damage = m_recovery->checkStore(m_desktop.now())) {
        notifyUser(damageNotice(*damage, m_store.filePath()));
        return;
    }
    if (m_recovery->storeDamaged())
        return;
    notifyUser(QStringLiteral("今日の付箋のバックアップを作れませんでした。明日もう一度作ります。\n") + error +
               QStringLiteral("\nバックアップの場所: ") + QDir::toNativeSeparators(m_backups->folder()));
}

bool Palette::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        m_idleSince = m_desktop.now();
    return QWidget::eventFilter(watched, event);
}

void Palette::reminderStep()
{
    trackTray();
    // Several reminders due at once share one balloon, a line each: a balloon replaces the last.
    const QStringList due = m_reminders.takeDue(m_desktop.now());
    if (due.isEmpty())
        return;
    m_balloonHint = due.join(QLatin1Char('\n'));
    showBalloon();
}

// A new user sees nothing but a tray icon: the first start says how a note is made, once the
// tray has taken the icon (so the balloon points at it), or after a few ticks without a tray.
void Palette::showFirstStartHint()
{
    const bool docked = m_trayAvailable && m_trayIcon->geometry().isValid() && !m_trayIcon->geometry().isEmpty();
    if (!docked && m_ticks < RetryTicks)
        return;
    m_firstStart = false;
    const QString text = QStringLiteral("付箋を作るには、マウスを画面の隅に動かし、出てきたパレットの色を"
                                        "押したまま外へドラッグします。トレイのメニューの「新しい付箋」でも作れます。");
    if (docked && QSystemTrayIcon::supportsMessages())
        m_trayIcon->showMessage(QString::fromUtf8(ApplicationTitle), text, QSystemTrayIcon::Information, HintTimeoutMs);
    else
        m_balloonPopup->showText(text, HintTimeoutMs);
}

void Palette::tellOfRescuedNotes()
{
    const QStringList files = Rescue::takeNotices(m_store.filePath());
    if (!files.isEmpty())
        notifyUser(QStringLiteral("前回の終了時に保存できなかった付箋の内容を、次のファイルに書き出しました:\n") +
                   files.join(QLatin1Char('\n')));
}

void Palette::saveForSessionEnd()
{
    QList<NoteWindow*> unsaved;
    for (NoteWindow* note : allNoteWindows()) {
        note->saveNote();
        if (note->saveState() != SaveState::Stored)
            unsaved << note;
    }
    // The session may end the program without another word: what could not be stored is kept.
    if (const QString rescued = rescueUnsaved(unsaved); !rescued.isEmpty())
        qWarning("notes that could not be stored were written to %s", qUtf8Printable(rescued));
}

void Palette::startupStep()
{
    const auto start = [this]() -> StoreResult<> {
        if (!m_storePrepared) {
            if (StoreResult<> prepared = m_store.prepare(); !prepared)
                return prepared;
            m_storePrepared = true;
            if (StoreResult<> loaded = loadReminders(); !loaded)
                return loaded;
        }
        return restoreNotes();
    };
    if (const StoreResult<> started = start()) {
        restorePending = false;
        m_startupError.clear();
    } else {
        m_startupError = storeFailureText(started.error(), m_store.filePath());
    }
    if (!m_damageNotice.isEmpty()) {
        // One notice at start: the damage and, when the notes could not be read either, why.
        QString text = std::exchange(m_damageNotice, QString());
        if (!m_startupError.isEmpty()) {
            text += QStringLiteral("\n付箋を読み込めません。数秒ごとにやり直します。\n") + m_startupError;
            m_failureReported = true;
        }
        notifyUser(text);
    }
}

void Palette::retryUnsavedNotes()
{
    for (NoteWindow* note : allNoteWindows())
        if (note->saveState() == SaveState::Failed)
            note->saveNote();
}

// While anything is not stored the tray says so and each such note carries a mark; the user is
// told once when this begins, and once more when it is over.
void Palette::showSaveState()
{
    int unsaved = 0;
    QString reason = m_startupError;
    bool rowsReplaced = false;
    for (NoteWindow* note : allNoteWindows()) {
        if (note->saveState() == SaveState::Failed) {
            ++unsaved;
            if (reason.isEmpty())
                reason = note->saveError();
        }
        if (note->takeRowChange() == SaveResult::AddedTaken)
            rowsReplaced = true;
    }
    if (rowsReplaced && !m_rowsReplacedReported) {
        m_rowsReplacedReported = true;
        notifyUser(QStringLiteral("保存先のファイルが別のものに置き換えられていました。開いている付箋は、"
                                  "そのファイルの付箋を上書きせずに新しい付箋として保存しました。\n保存先: ") +
                   QDir::toNativeSeparators(m_store.filePath()));
    }
    const bool failing = unsaved > 0 || !m_startupError.isEmpty();
    QString hint = QString::fromLatin1(trayHint);
    if (failing) {
        hint += m_startupError.isEmpty() ? QStringLiteral("\n保存できていない付箋: %1 件").arg(unsaved)
                                         : QStringLiteral("\n付箋を読み込めません");
        if (!m_failureReported) {
            m_failureReported = true;
            notifyUser((m_startupError.isEmpty()
                            ? QStringLiteral("付箋を保存できません。保存できるまで数秒ごとにやり直します。\n")
                            : QStringLiteral("付箋を読み込めません。数秒ごとにやり直します。\n")) +
                       reason);
        }
    } else if (m_failureReported) {
        m_failureReported = false;
        notifyUser(QStringLiteral("すべての付箋を保存しました。"));
    }
    if (m_trayIcon->toolTip() != hint) {
        m_trayIcon->setToolTip(hint);
        m_trayIcon->setIcon(failing ? programIconWithWarning() : programIcon());
    }
}

void Palette::notifyUser(const QString& text)
{
    if (m_trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages())
        m_trayIcon->showMessage(QString::fromUtf8(ApplicationTitle), text, QSystemTrayIcon::Warning, BalloonTimeoutMs);
    else
        m_balloonPopup->showText(text, BalloonTimeoutMs);
    Q_EMIT notified(text);
}

void Palette::hotCornerStep()
{
    // The screen is read at every tick: a screen changed or added while running has corners too.
    const CursorPlace place = m_desktop.cursorPlace();
    m_cursor = place.cursor;
    screenWidth = place.screen.width();
    screenHeight = place.screen.height();
    const HotCornerAction step = ::hotCornerStep(place);
    if (step.show) {
        setGeometry(step.place.x(), step.place.y(), PaletteWidth, PaletteHeight);
        show();
        raise();
    }
    // The palette's own menu reaches beyond the corner; while it is open the palette stays.
    if (step.hide && !m_paletteMenu->isVisible())
        hide();
}

StoreResult<> Palette::restoreNotes()
{
    // Every note is built before the first is shown. On X each show waits on the server five
    // times; a note built between two shows, while the server's answers and events come in,
    // took two to four times as long as one built beforehand.
    QList<NoteWindow*> built;
    const StoreResult<std::vector<StoredNote>> notes = m_store.openNotes();
    if (!notes)
        return notes.error();
    const std::map<qint32, NoteLook> looks = noteLooksOrDefaults(m_store);
    for (const StoredNote& stored : *notes) {
        // A note already on the desktop (made while the store could not be read) keeps its window.
        if (noteWindowOf(stored.note.id))
            continue;
        auto* note = new NoteWindow(m_desktop, m_store, this);
        note->setRecord(stored);
        if (const auto look = looks.find(stored.note.id); look != looks.end())
            note->setLook(look->second);
        note->keepReachable();
        built.append(note);
    }
    for (NoteWindow* note : std::as_const(built)) {
        noteWindows.append(note);
        note->show();
    }
    return {};
}

QList<NoteWindow*> Palette::allNoteWindows() const
{
    QList<NoteWindow*> notes = noteWindows;
    if (frmList)
        notes += frmList->noteWindows;
    return notes;
}

NoteWindow* Palette::noteWindowOf(qint32 id) const
{
    for (NoteWindow* note : allNoteWindows())
        if (note->noteId() == id)
            return note;
    return nullptr;
}

void Palette::discardNoteWindow(NoteWindow* note)
{
    noteWindows.removeOne(note);
    if (frmList)
        frmList->noteWindows.removeOne(note);
    note->discard();
}

bool Palette::saveAllNotes(bool interactive)
{
    // The last save must not lose the last edits to a store another process holds for a
    // moment: wait for its lock, and name every note that still could not be saved.
    const QList<NoteWindow*> notes = allNoteWindows();
    const QList<NoteWindow*> unsaved = saveEveryNote(exitLockWaitMs);
    QStringList names;
    for (const NoteWindow* note : unsaved)
        names << noteCaption(*note);
    const QString rescued = rescueUnsaved(unsaved);
    noteWindows.clear();
    if (frmList)
        frmList->noteWindows.clear();
    qDeleteAll(notes);
    if (names.isEmpty())
        return true;
    const QString report =
        QStringLiteral("次の付箋を保存できませんでした:\n") + names.join(QLatin1Char('\n')) +
        (rescued.isEmpty() ? QString()
                           : QStringLiteral("\n\n内容は次のファイルに書き出しました:\n") + rescued + QLatin1Char('\n'));
    // Nobody may be there to click a box away: the report goes to the log, word of the file to
    // the next start.
    if (interactive)
        showErrorReport(report);
    else
        qWarning("%s", qUtf8Printable(report));
    return false;
}

QString Palette::saveAllNotesNow()
{
    return rescueUnsaved(saveEveryNote(0));
}

QList<NoteWindow*> Palette::saveEveryNote(int lockWaitMs)
{
    QElapsedTimer waited;
    waited.start();
    QList<NoteWindow*> unsaved;
    for (NoteWindow* note : allNoteWindows()) {
        note->saveNote(int(std::max<qint64>(0, lockWaitMs - waited.elapsed())));
        if (note->saveState() != SaveState::Stored)
            unsaved << note;
    }
    return unsaved;
}

QString Palette::rescueUnsaved(const QList<NoteWindow*>& notes)
{
    if (notes.isEmpty())
        return {};
    QString text;
    for (const NoteWindow* note : notes) {
        const Note values = note->currentNote();
        text += QStringLiteral("---- %1 (%2, %3 %4 %5x%6) ----\r\n")
                    .arg(formatStoreDate(values.date),
                         note->noteId() ? QString::number(note->noteId()) : QStringLiteral("new"))
                    .arg(values.bounds.x())
                    .arg(values.bounds.y())
                    .arg(values.bounds.width())
                    .arg(values.bounds.height()) +
                values.text + QStringLiteral("\r\n");
    }
    // Beside the store first; where that folder takes nothing, where the user keeps documents.
    const QString rescued =
        Rescue::writeFile(text, m_desktop.now().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                          {m_store.programFolder(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                           QDir::homePath(), QDir::tempPath()});
    // Until the user has seen it in a report, the next start tells of it.
    if (!rescued.isEmpty())
        Rescue::leaveNotice(m_store.filePath(), rescued);
    m_rescued = rescued;
    return rescued;
}

void Palette::closeEvent(QCloseEvent* event)
{
    event->accept();
    finish(true);
}

void Palette::endUnattended()
{
    // A report box still open from 終了 must not keep the program alive: it goes, and word of
    // the rescue file stays for the next start.
    if (m_ending) {
        qApp->exit(1);
        return;
    }
    finish(false);
}

void Palette::finish(bool interactive)
{
    if (m_ending)
        return;
    m_ending = true;
    const bool stored = saveAllNotes(interactive);
    // Shown in the report, the file needs no word at the next start.
    if (interactive && !m_rescued.isEmpty())
        Rescue::takeNotices(m_store.filePath());
    // The day's copy, when the program ends before one was made.
    if (const QDate today = m_desktop.today(); backupDue(today)) {
        if (const StoreResult<> made = m_backups->makeNow(today); !made)
            qWarning("no backup at exit: %s", qUtf8Printable(made.error().message()));
    }
    Q_EMIT Closed(stored ? 0 : 1);
}

// The palette is a tool of the desktop, not a task: no taskbar button, shown or not.
void Palette::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        keepOutOfTaskbar(this);
}

void Palette::takeSwatchColor(Swatch* sender)
{
    selectedColor = sender->colorValue();
}

void Palette::armDragOut(Swatch* sender, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    selectedColor = sender->colorValue();
    dragArmed = 1;
}

void Palette::dragOut(Swatch*)
{
    const QPoint p = m_desktop.cursorPos();
    if (dragArmed != 1)
        return;
    dragArmed = 0;
    makeNote(p, selectedColor);
    hide();
}

NoteWindow* Palette::makeNote(QPoint at, quint32 color)
{
    // Wholly on the screen it is made on, out from under a taskbar, its date strip in reach.
    const QRect area = areaOfScreen(m_desktop.cursorPlace().screen, m_desktop.screenAreas());
    const QRect place = newNoteGeometry(QRect(at, QSize(NoteWindow::DesignWidth, NoteWindow::DesignHeight)), area);
    auto* note = new NoteWindow(m_desktop, m_store, this);
    note->setBounds(place.x(), place.y(), place.width(), place.height());
    note->setColor(color);
    note->setText(QString());
    note->setEditorColor(color);
    note->setToday();
    note->show();
    // A store that cannot take the row now leaves the note to be saved as soon as it can.
    note->addRow();
    noteWindows.append(note);
    return note;
}

void Palette::newNoteFromTray()
{
    // The last colour chosen; yellow before any.
    const quint32 color = selectedColor ? selectedColor : swatch(4)->colorValue();
    const QRect screen = m_desktop.cursorPlace().screen;
    const QRect area = areaOfScreen(screen, m_desktop.screenAreas());
    const QSize size(NoteWindow::DesignWidth, NoteWindow::DesignHeight);
    const QRect middle =
        newNoteGeometry(QRect(screen.center() - QPoint(size.width() / 2, size.height() / 2), size), area);
    // One note after another comes down and to the right of the last, not over it.
    QList<QPoint> taken;
    for (const NoteWindow* shown : allNoteWindows())
        if (shown->isVisible())
            taken << shown->bounds().topLeft();
    NoteWindow* note = makeNote(cascadedGeometry(middle, taken, area).topLeft(), color);
    note->raise();
    note->activateWindow();
    note->editor()->setFocus();
}

void Palette::openBackupFolder()
{
    const QString folder = QDir::toNativeSeparators(m_backups->folder());
    QDir().mkpath(folder);
    m_desktop.openFolder(folder, [this, folder] {
        // Without a file manager the user still learns where the copies are, and can copy the path.
        auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(ApplicationTitle),
                                    QStringLiteral("バックアップのフォルダーを開けるプログラムが見つかりませんでした。"
                                                   "バックアップは次のフォルダーにあります:\n\n") +
                                        folder,
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("BackupFolderBox"));
        box->setWindowFlag(Qt::Window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        box->setWindowModality(Qt::NonModal);
        box->show();
    });
}

void Palette::chooseBackupToRestore()
{
    // The note list and the reminder editor hold what they read from the store: first they close.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    RestoreBackupDialog dialog(m_recovery->backups());
    if (dialog.exec() == QDialog::Accepted && dialog.chosen())
        restoreBackup(dialog.chosen()->path);
}

bool Palette::restoreBackup(const QString& copyPath)
{
    m_backups->stop();
    // What is on the desktop goes into the store first, so that the copy kept of it holds it.
    if (const QList<NoteWindow*> unsaved = saveEveryNote(exitLockWaitMs); !unsaved.isEmpty()) {
        showErrorReport(QStringLiteral("保存できない付箋があるため、バックアップから戻しませんでした。\n") +
                        unsaved.first()->saveError());
        return false;
    }
    const StoreResult<QString> restored = m_recovery->restore(copyPath, m_desktop.now());
    if (!restored) {
        showErrorReport(QStringLiteral("バックアップから戻せませんでした。付箋は元のままです。\n") +
                        storeFailureText(restored.error(), m_store.filePath()));
        return false;
    }
    const QString& kept = *restored;
    // The windows show the store that was: they go unsaved, and the program starts over on the
    // restored store as at start, its reminders and its open notes.
    for (NoteWindow* note : allNoteWindows())
        discardNoteWindow(note);
    m_backupFailedOn = QDate();
    m_storePrepared = false;
    restorePending = true;
    startupStep();
    notifyUser(kept.isEmpty()
                   ? QStringLiteral("バックアップから戻しました。")
                   : QStringLiteral("バックアップから戻しました。戻す前の付箋は次のファイルに残してあります:\n") +
                         QDir::toNativeSeparators(kept));
    return true;
}

void Palette::hidePalette()
{
    hide();
}

void Palette::openNoteList()
{
    frmList->exec();
}

void Palette::showAllNotes()
{
    for (NoteWindow* note : noteWindows)
        if (!note->isVisible())
            note->showAgain();
}

// A note kept within reach goes back to the user's place as soon as that is in reach again.
void Palette::keepNotesReachable()
{
    for (NoteWindow* note : allNoteWindows())
        if (note->isVisible())
            note->keepReachable();
}

void Palette::editReminders()
{
    const QDateTime opened = m_desktop.now();
    showBalloon();
    frmBaloon->exec();
    if (const StoreResult<> loaded = loadReminders(); !loaded) {
        showErrorReport(loaded.error().message());
        return;
    }
    // What fell due while the editor held the new entries shows now.
    m_reminders.lookBackTo(opened);
    reminderStep();
}

void Palette::quit()
{
    close();
}

void Palette::showPalette()
{
    show();
    raise();
    activateWindow();
}

void Palette::showBalloon()
{
    if (m_trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages())
        m_trayIcon->showMessage(QString(), m_balloonHint, QSystemTrayIcon::Information, BalloonTimeoutMs);
    else
        m_balloonPopup->showText(m_balloonHint, BalloonTimeoutMs);
    Q_EMIT balloonShown(m_balloonHint);
}

void Palette::trackTray()
{
    // A tray that appears after start (late at log-in, or restarted) gets the icon again.
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !m_trayAvailable) {
        m_trayIcon->hide();
        m_trayIcon->show();
    }
    m_trayAvailable = available;
}

void Palette::contextMenuEvent(QContextMenuEvent* event)
{
    m_paletteMenu->popup(event->globalPos());
}

void Palette::mousePressEvent(QMouseEvent* event)
{
    // The whole surface outside the swatches drags the palette.
    if (event->button() != Qt::LeftButton)
        return;
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void Palette::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset)
        move(event->globalPosition().toPoint() - *m_dragOffset);
}

void Palette::mouseReleaseEvent(QMouseEvent*)
{
    m_dragOffset.reset();
}
