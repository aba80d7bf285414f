#include "shell/uFMain.h"
#include "ui_frmMain.h"

#include "list/uFList.h"
#include "notes/NoteFrame.h"
#include "notes/RichEdit.h"
#include "notes/uFDaviv.h"
#include "controls/ColorValue.h"
#include "platform/Desktop.h"
#include "shell/ErrorReport.h"
#include "platform/StoreText.h"
#include "platform/WindowSystem.h"
#include "reminders/uFBaloon.h"
#include "shell/AppIcon.h"
#include "shell/BalloonPopup.h"
#include "shell/HotCorners.h"
#include "shell/RescueFile.h"
#include "shell/RestoreBackupDialog.h"
#include "shell/Swatch.h"
#include "store/Backup.h"
#include "store/NoteStore.h"
#include "store/StoreRecovery.h"

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

TfrmMain* frmMain = nullptr;

namespace {

const char TrayHint[] = "RIdozad";

// How a note is named to the user: its first line, shortened.
QString NoteCaption(const TfrmDaviv& note)
{
    const QString first = note.MemoText().section(QStringLiteral("\r\n"), 0, 0).trimmed();
    if (first.isEmpty())
        return QStringLiteral("・(空の付箋)");
    return QStringLiteral("・") + (first.size() > 40 ? first.left(40) + QStringLiteral("…") : first);
}

// What the user is told of a damaged store: where its copy is, and which backup to go back to.
QString DamageNotice(const StoreRecovery::Damage& damage, const QString& storePath)
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

TfrmMain::TfrmMain(TDesktop& desktop, const TNoteStore& store)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), FDesktop(desktop), FStore(store),
      ui(std::make_unique<Ui::frmMain>()), FTimer1(new QTimer(this)), FTrayIcon1(new QSystemTrayIcon(this)),
      FPopupMenu1(new QMenu(this)), FPopupMenu2(new QMenu(this)), FBalloonPopup(new TBalloonPopup(this)),
      FReminders(desktop.Now().addSecs(-2))
{
    // The first tick restores the notes: the second until it comes counts from here.
    FTimer1->setObjectName(QStringLiteral("Timer1"));
    FTimer1->setInterval(1000);
    connect(FTimer1, &QTimer::timeout, this, Guarded([this] { Timer1Timer(); }));
    FTimer1->start();

    ui->setupUi(this);
    setFixedSize(PaletteWidth, PaletteHeight);
    move(0, 0);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(216, 231, 211));
    setPalette(background);
    setWindowOpacity(200 / 255.0);
    setWindowIcon(ProgramIcon());

    FPopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    FPopupMenu1->addActions({ui->K1, ui->N2, ui->D1, ui->B1, ui->N1});
    addActions(FPopupMenu1->actions());
    FPopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    FPopupMenu2->addActions({ui->V1, ui->E1});
    // Beyond the two commands: a new note from anywhere, and the daily copies of the store.
    FPopupMenu2->addSeparator();
    QAction* newNote = FPopupMenu2->addAction(QStringLiteral("新しい付箋(&N)"));
    newNote->setObjectName(QStringLiteral("NewNote"));
    connect(newNote, &QAction::triggered, this, Guarded([this] { NewNoteClick(); }));
    QAction* backups = FPopupMenu2->addAction(QStringLiteral("バックアップを開く(&O)"));
    backups->setObjectName(QStringLiteral("OpenBackups"));
    connect(backups, &QAction::triggered, this, Guarded([this] { OpenBackupsClick(); }));
    QAction* restore = FPopupMenu2->addAction(QStringLiteral("バックアップから戻す..."));
    restore->setObjectName(QStringLiteral("RestoreBackup"));
    connect(restore, &QAction::triggered, this, Guarded([this] { RestoreBackupClick(); }));
    connect(ui->K1, &QAction::triggered, this, Guarded([this] { K1Click(); }));
    connect(ui->N2, &QAction::triggered, this, Guarded([this] { N2Click(); }));
    connect(ui->D1, &QAction::triggered, this, Guarded([this] { D1Click(); }));
    connect(ui->B1, &QAction::triggered, this, Guarded([this] { B1Click(); }));
    connect(ui->N1, &QAction::triggered, this, Guarded([this] { N1Click(); }));
    connect(ui->V1, &QAction::triggered, this, Guarded([this] { V1Click(); }));
    connect(ui->E1, &QAction::triggered, this, Guarded([this] { E1Click(); }));

    for (TSwatch* swatch : {ui->Panel1, ui->Panel2, ui->Panel3, ui->Panel4, ui->Panel5}) {
        connect(swatch, &TSwatch::MouseDown, this,
                [this, swatch](Qt::MouseButton b) { RunGuarded([&] { fcPanelMouseDown(swatch, b); }); });
        connect(swatch, &TSwatch::MouseLeave, this, Guarded([this, swatch] { fcPanelMouseLeave(swatch); }));
        // The first two swatches take their colour on a click, the others on a double-click.
        const bool onClick = swatch == ui->Panel1 || swatch == ui->Panel2;
        connect(swatch, onClick ? &TSwatch::Clicked : &TSwatch::DoubleClicked, this,
                Guarded([this, swatch] { fcPanelClick(swatch); }));
    }

    FTrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    FTrayIcon1->setIcon(ProgramIcon());
    FTrayIcon1->setToolTip(QString::fromLatin1(TrayHint));
    FTrayIcon1->setContextMenu(FPopupMenu2);
    connect(FTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            RunGuarded([this] { V1Click(); });
        else if (reason == QSystemTrayIcon::DoubleClick)
            RunGuarded([this] { NewNoteClick(); });
    });
    FTrayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    FTrayIcon1->show();

    // A screen unplugged or made smaller must not take notes out of reach.
    const auto watchScreen = [this](QScreen* screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, &TfrmMain::KeepNotesReachable);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watchScreen](QScreen* screen) {
        watchScreen(screen);
        KeepNotesReachable();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this,
            [this] { QTimer::singleShot(0, this, &TfrmMain::KeepNotesReachable); });

    FBackups = new TDailyBackup(FStore.FilePath(), this);
    connect(FBackups, &TDailyBackup::Finished, this,
            [this](const QString& error) { RunGuarded([&] { BackupFinished(error); }); });
    FIdleSince = FDesktop.Now();
    FLastCursor = FDesktop.CursorPos();
    qApp->installEventFilter(this);
    // A damaged store is found, and a copy of it kept, before the program writes to it; the user
    // is told at the first tick.
    FRecovery = std::make_unique<StoreRecovery>(FStore.FilePath());
    if (const std::optional<StoreRecovery::Damage> damage = FRecovery->checkStore(FDesktop.Now()))
        FDamageNotice = DamageNotice(*damage, FStore.FilePath());

    // A store that cannot be prepared is reported once, at the first tick, and tried again.
    try {
        FormCreate();
    } catch (const Exception& e) {
        FStartupError = StoreFailureText(e, FStore.FilePath());
    }
}

TfrmMain::~TfrmMain()
{
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::FormCreate()
{
    const QRect screen = FDesktop.CursorPlace().Screen;
    ScreenWidth = screen.width();
    ScreenHeight = screen.height();
    DragArmed = 0;
    FirstTick = true;
    NoteWindows.clear();
    FFirstStart = !QFile::exists(FStore.FilePath());
    FStore.Prepare();
    FStorePrepared = true;
    LoadBalloonMessages();
}

TSwatch* TfrmMain::Panel(int index) const
{
    const TSwatch* panels[] = {ui->Panel1, ui->Panel2, ui->Panel3, ui->Panel4, ui->Panel5};
    return const_cast<TSwatch*>(panels[index - 1]);
}

void TfrmMain::LoadBalloonMessages()
{
    std::vector<ReminderSchedule::Entry> entries;
    for (TBalloonMessage& message : FStore.Messages())
        entries.push_back(
            {std::move(message.Id), std::move(message.Time), std::move(message.Message), std::move(message.Day)});
    FReminders.setEntries(std::move(entries));
}

void TfrmMain::Timer1Timer()
{
    ++FTicks;
    const bool retry = FTicks % RetryTicks == 0;
    ReminderStep();
    HotCornerStep();
    if (FTicks == 1)
        TellOfRescuedNotes();
    if (FFirstStart)
        ShowFirstStartHint();
    if (FirstTick && (FTicks == 1 || retry))
        StartupStep();
    else if (retry)
        RetryUnsavedNotes();
    ShowSaveState();
    BackupStep();
}

// The day's copy of the store is made once the user has left cursor and keyboard alone for a
// minute, so that its few milliseconds of work never meet typing.
void TfrmMain::BackupStep()
{
    const QDateTime now = FDesktop.Now();
    // Where the corner step just found the cursor.
    if (FCursor != FLastCursor) {
        FLastCursor = FCursor;
        FIdleSince = now;
        return;
    }
    if (BackupDue(now.date()) && !FBackups->Running() && FIdleSince.msecsTo(now) >= 60000)
        FBackups->Start(now.date());
}

bool TfrmMain::BackupDue(const QDate& today) const
{
    return !FirstTick && !FBackups->HasCopyOf(today) && FBackupFailedOn != today;
}

void TfrmMain::BackupFinished(const QString& error)
{
    if (error.isEmpty())
        return;
    // Told once; tried again the next day.
    FBackupFailedOn = FDesktop.Today();
    // A damaged store is why no copy is made: that is what the user hears, and only once.
    if (const std::optional<StoreRecovery::Damage> damage = FRecovery->checkStore(FDesktop.Now())) {
        Notify(DamageNotice(*damage, FStore.FilePath()));
        return;
    }
    if (FRecovery->storeDamaged())
        return;
    Notify(QStringLiteral("今日の付箋のバックアップを作れませんでした。明日もう一度作ります。\n") + error +
           QStringLiteral("\nバックアップの場所: ") + QDir::toNativeSeparators(FBackups->Folder()));
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        FIdleSince = FDesktop.Now();
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::ReminderStep()
{
    TrackTray();
    // Several reminders due at once share one balloon, a line each: a balloon replaces the last.
    const QStringList due = FReminders.takeDue(FDesktop.Now());
    if (due.isEmpty())
        return;
    FBalloonHint = due.join(QLatin1Char('\n'));
    ShowBalloon();
}

// A new user sees nothing but a tray icon: the first start says how a note is made, once the
// tray has taken the icon (so the balloon points at it), or after a few ticks without a tray.
void TfrmMain::ShowFirstStartHint()
{
    const bool docked = FTrayAvailable && FTrayIcon1->geometry().isValid() && !FTrayIcon1->geometry().isEmpty();
    if (!docked && FTicks < RetryTicks)
        return;
    FFirstStart = false;
    const QString text = QStringLiteral("付箋を作るには、マウスを画面の隅に動かし、出てきたパレットの色を"
                                        "押したまま外へドラッグします。トレイのメニューの「新しい付箋」でも作れます。");
    if (docked && QSystemTrayIcon::supportsMessages())
        FTrayIcon1->showMessage(QString::fromUtf8(ApplicationTitle), text, QSystemTrayIcon::Information, HintTimeoutMs);
    else
        FBalloonPopup->ShowText(text, HintTimeoutMs);
}

void TfrmMain::TellOfRescuedNotes()
{
    const QStringList files = Rescue::takeNotices(FStore.FilePath());
    if (!files.isEmpty())
        Notify(QStringLiteral("前回の終了時に保存できなかった付箋の内容を、次のファイルに書き出しました:\n") +
               files.join(QLatin1Char('\n')));
}

void TfrmMain::SaveForSessionEnd()
{
    QList<TfrmDaviv*> unsaved;
    for (TfrmDaviv* note : AllNoteWindows()) {
        note->SaveNote();
        if (note->SaveState() != TSaveState::Stored)
            unsaved << note;
    }
    // The session may end the program without another word: what could not be stored is kept.
    if (const QString rescued = RescueUnsaved(unsaved); !rescued.isEmpty())
        qWarning("notes that could not be stored were written to %s", qUtf8Printable(rescued));
}

void TfrmMain::StartupStep()
{
    try {
        if (!FStorePrepared) {
            FStore.Prepare();
            FStorePrepared = true;
            LoadBalloonMessages();
        }
        RestoreNotes();
        FirstTick = false;
        FStartupError.clear();
    } catch (const Exception& e) {
        FStartupError = StoreFailureText(e, FStore.FilePath());
    }
    if (!FDamageNotice.isEmpty()) {
        // One notice at start: the damage and, when the notes could not be read either, why.
        QString text = std::exchange(FDamageNotice, QString());
        if (!FStartupError.isEmpty()) {
            text += QStringLiteral("\n付箋を読み込めません。数秒ごとにやり直します。\n") + FStartupError;
            FFailureReported = true;
        }
        Notify(text);
    }
}

void TfrmMain::RetryUnsavedNotes()
{
    for (TfrmDaviv* note : AllNoteWindows())
        if (note->SaveState() == TSaveState::Failed)
            note->SaveNote();
}

// While anything is not stored the tray says so and each such note carries a mark; the user is
// told once when this begins, and once more when it is over.
void TfrmMain::ShowSaveState()
{
    int unsaved = 0;
    QString reason = FStartupError;
    bool rowsReplaced = false;
    for (TfrmDaviv* note : AllNoteWindows()) {
        if (note->SaveState() == TSaveState::Failed) {
            ++unsaved;
            if (reason.isEmpty())
                reason = note->SaveError();
        }
        if (note->TakeRowChange() == TNoteSaveResult::AddedTaken)
            rowsReplaced = true;
    }
    if (rowsReplaced && !FRowsReplacedReported) {
        FRowsReplacedReported = true;
        Notify(QStringLiteral("保存先のファイルが別のものに置き換えられていました。開いている付箋は、"
                              "そのファイルの付箋を上書きせずに新しい付箋として保存しました。\n保存先: ") +
               QDir::toNativeSeparators(FStore.FilePath()));
    }
    const bool failing = unsaved > 0 || !FStartupError.isEmpty();
    QString hint = QString::fromLatin1(TrayHint);
    if (failing) {
        hint += FStartupError.isEmpty() ? QStringLiteral("\n保存できていない付箋: %1 件").arg(unsaved)
                                        : QStringLiteral("\n付箋を読み込めません");
        if (!FFailureReported) {
            FFailureReported = true;
            Notify((FStartupError.isEmpty()
                        ? QStringLiteral("付箋を保存できません。保存できるまで数秒ごとにやり直します。\n")
                        : QStringLiteral("付箋を読み込めません。数秒ごとにやり直します。\n")) +
                   reason);
        }
    } else if (FFailureReported) {
        FFailureReported = false;
        Notify(QStringLiteral("すべての付箋を保存しました。"));
    }
    if (FTrayIcon1->toolTip() != hint) {
        FTrayIcon1->setToolTip(hint);
        FTrayIcon1->setIcon(failing ? ProgramIconWithWarning() : ProgramIcon());
    }
}

void TfrmMain::Notify(const QString& text)
{
    if (FTrayIcon1->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages())
        FTrayIcon1->showMessage(QString::fromUtf8(ApplicationTitle), text, QSystemTrayIcon::Warning, BalloonTimeoutMs);
    else
        FBalloonPopup->ShowText(text, BalloonTimeoutMs);
    Q_EMIT Notified(text);
}

void TfrmMain::HotCornerStep()
{
    // The screen is read at every tick: a screen changed or added while running has corners too.
    const TCursorPlace place = FDesktop.CursorPlace();
    FCursor = place.Cursor;
    ScreenWidth = place.Screen.width();
    ScreenHeight = place.Screen.height();
    const THotCornerStep step = ::HotCornerStep(place);
    if (step.Show) {
        setGeometry(step.Place.x(), step.Place.y(), PaletteWidth, PaletteHeight);
        show();
        raise();
    }
    // The palette's own menu reaches beyond the corner; while it is open the palette stays.
    if (step.Hide && !FPopupMenu1->isVisible())
        hide();
}

void TfrmMain::RestoreNotes()
{
    // Every note is built before the first is shown. On X each show waits on the server five
    // times; a note built between two shows, while the server's answers and events come in,
    // took two to four times as long as one built beforehand.
    QList<TfrmDaviv*> built;
    const std::vector<TStoredNote> notes = FStore.OpenNotes();
    const std::map<qint32, TNoteLook> looks = NoteLooksOrDefaults(FStore);
    for (const TStoredNote& stored : notes) {
        // A note already on the desktop (made while the store could not be read) keeps its window.
        if (NoteWindowOf(stored.Record.Id))
            continue;
        auto* note = new TfrmDaviv(FDesktop, FStore, this);
        note->SetRecord(stored);
        if (const auto look = looks.find(stored.Record.Id); look != looks.end())
            note->SetLook(look->second);
        note->KeepReachable();
        built.append(note);
    }
    for (TfrmDaviv* note : std::as_const(built)) {
        NoteWindows.append(note);
        note->show();
    }
}

QList<TfrmDaviv*> TfrmMain::AllNoteWindows() const
{
    QList<TfrmDaviv*> notes = NoteWindows;
    if (frmList)
        notes += frmList->NoteWindows;
    return notes;
}

TfrmDaviv* TfrmMain::NoteWindowOf(qint32 id) const
{
    for (TfrmDaviv* note : AllNoteWindows())
        if (note->NoteId() == id)
            return note;
    return nullptr;
}

void TfrmMain::DiscardNoteWindow(TfrmDaviv* note)
{
    NoteWindows.removeOne(note);
    if (frmList)
        frmList->NoteWindows.removeOne(note);
    note->Discard();
}

bool TfrmMain::SaveAllNotes(bool interactive)
{
    // The last save must not lose the last edits to a store another process holds for a
    // moment: wait for its lock, and name every note that still could not be saved.
    const QList<TfrmDaviv*> notes = AllNoteWindows();
    const QList<TfrmDaviv*> unsaved = SaveEveryNote(ExitLockWaitMs);
    QStringList names;
    for (const TfrmDaviv* note : unsaved)
        names << NoteCaption(*note);
    const QString rescued = RescueUnsaved(unsaved);
    NoteWindows.clear();
    if (frmList)
        frmList->NoteWindows.clear();
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
        ShowErrorReport(report);
    else
        qWarning("%s", qUtf8Printable(report));
    return false;
}

QString TfrmMain::SaveAllNotesNow()
{
    return RescueUnsaved(SaveEveryNote(0));
}

QList<TfrmDaviv*> TfrmMain::SaveEveryNote(int lockWaitMs)
{
    QElapsedTimer waited;
    waited.start();
    QList<TfrmDaviv*> unsaved;
    for (TfrmDaviv* note : AllNoteWindows()) {
        note->SaveNote(int(std::max<qint64>(0, lockWaitMs - waited.elapsed())));
        if (note->SaveState() != TSaveState::Stored)
            unsaved << note;
    }
    return unsaved;
}

QString TfrmMain::RescueUnsaved(const QList<TfrmDaviv*>& notes)
{
    if (notes.isEmpty())
        return {};
    QString text;
    for (const TfrmDaviv* note : notes) {
        const TNoteValues values = note->CurrentValues();
        text += QStringLiteral("---- %1 (%2, %3 %4 %5x%6) ----\r\n")
                    .arg(values.Date, note->NoteId() ? QString::number(note->NoteId()) : QStringLiteral("new"))
                    .arg(values.X)
                    .arg(values.Y)
                    .arg(values.Width)
                    .arg(values.Height) +
                values.Text + QStringLiteral("\r\n");
    }
    // Beside the store first; where that folder takes nothing, where the user keeps documents.
    const QString rescued =
        Rescue::writeFile(text, FDesktop.Now().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                          {FStore.ProgramFolder(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                           QDir::homePath(), QDir::tempPath()});
    // Until the user has seen it in a report, the next start tells of it.
    if (!rescued.isEmpty())
        Rescue::leaveNotice(FStore.FilePath(), rescued);
    FRescued = rescued;
    return rescued;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    End(true);
}

void TfrmMain::EndUnattended()
{
    // A report box still open from 終了 must not keep the program alive: it goes, and word of
    // the rescue file stays for the next start.
    if (FEnding) {
        qApp->exit(1);
        return;
    }
    End(false);
}

void TfrmMain::End(bool interactive)
{
    if (FEnding)
        return;
    FEnding = true;
    const bool stored = SaveAllNotes(interactive);
    // Shown in the report, the file needs no word at the next start.
    if (interactive && !FRescued.isEmpty())
        Rescue::takeNotices(FStore.FilePath());
    // The day's copy, when the program ends before one was made.
    if (const QDate today = FDesktop.Today(); BackupDue(today)) {
        try {
            FBackups->MakeNow(today);
        } catch (const Exception& e) {
            qWarning("no backup at exit: %s", e.what());
        }
    }
    Q_EMIT Closed(stored ? 0 : 1);
}

// The palette is a tool of the desktop, not a task: no taskbar button, shown or not.
void TfrmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        KeepOutOfTaskbar(this);
}

void TfrmMain::fcPanelClick(TSwatch* sender)
{
    SelectedColor = sender->ColorValue();
}

void TfrmMain::fcPanelMouseDown(TSwatch* sender, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    SelectedColor = sender->ColorValue();
    DragArmed = 1;
}

void TfrmMain::fcPanelMouseLeave(TSwatch*)
{
    const QPoint p = FDesktop.CursorPos();
    if (DragArmed != 1)
        return;
    DragArmed = 0;
    MakeNote(p, SelectedColor);
    hide();
}

TfrmDaviv* TfrmMain::MakeNote(QPoint at, quint32 color)
{
    // Wholly on the screen it is made on, out from under a taskbar, its date strip in reach.
    const QRect area = AreaOfScreen(FDesktop.CursorPlace().Screen, FDesktop.ScreenAreas());
    const QRect place = NewNoteGeometry(QRect(at, QSize(TfrmDaviv::DesignWidth, TfrmDaviv::DesignHeight)), area);
    auto* note = new TfrmDaviv(FDesktop, FStore, this);
    note->SetBounds(place.x(), place.y(), place.width(), place.height());
    note->SetColor(color);
    note->SetMemoText(QString());
    note->SetMemoColor(color);
    note->SetToday();
    note->show();
    // A store that cannot take the row now leaves the note to be saved as soon as it can.
    note->AddRow();
    NoteWindows.append(note);
    return note;
}

void TfrmMain::NewNoteClick()
{
    // The last colour chosen; yellow before any.
    const quint32 color = SelectedColor ? SelectedColor : Panel(4)->ColorValue();
    const QRect screen = FDesktop.CursorPlace().Screen;
    const QRect area = AreaOfScreen(screen, FDesktop.ScreenAreas());
    const QSize size(TfrmDaviv::DesignWidth, TfrmDaviv::DesignHeight);
    const QRect middle =
        NewNoteGeometry(QRect(screen.center() - QPoint(size.width() / 2, size.height() / 2), size), area);
    // One note after another comes down and to the right of the last, not over it.
    QList<QPoint> taken;
    for (const TfrmDaviv* shown : AllNoteWindows())
        if (shown->isVisible())
            taken << shown->Bounds().topLeft();
    TfrmDaviv* note = MakeNote(CascadedGeometry(middle, taken, area).topLeft(), color);
    note->raise();
    note->activateWindow();
    note->RichEdMemo()->setFocus();
}

void TfrmMain::OpenBackupsClick()
{
    const QString folder = QDir::toNativeSeparators(FBackups->Folder());
    QDir().mkpath(folder);
    FDesktop.OpenFolder(folder, [this, folder] {
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

void TfrmMain::RestoreBackupClick()
{
    // The note list and the reminder editor hold what they read from the store: first they close.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    RestoreBackupDialog dialog(FRecovery->backups());
    if (dialog.exec() == QDialog::Accepted && dialog.chosen())
        RestoreBackup(dialog.chosen()->path);
}

bool TfrmMain::RestoreBackup(const QString& copyPath)
{
    FBackups->Stop();
    // What is on the desktop goes into the store first, so that the copy kept of it holds it.
    if (const QList<TfrmDaviv*> unsaved = SaveEveryNote(ExitLockWaitMs); !unsaved.isEmpty()) {
        ShowErrorReport(QStringLiteral("保存できない付箋があるため、バックアップから戻しませんでした。\n") +
                        unsaved.first()->SaveError());
        return false;
    }
    QString kept;
    try {
        kept = FRecovery->restore(copyPath, FDesktop.Now());
    } catch (const Exception& e) {
        ShowErrorReport(QStringLiteral("バックアップから戻せませんでした。付箋は元のままです。\n") +
                        StoreFailureText(e, FStore.FilePath()));
        return false;
    }
    // The windows show the store that was: they go unsaved, and the program starts over on the
    // restored store as at start, its reminders and its open notes.
    for (TfrmDaviv* note : AllNoteWindows())
        DiscardNoteWindow(note);
    FBackupFailedOn = QDate();
    FStorePrepared = false;
    FirstTick = true;
    StartupStep();
    Notify(kept.isEmpty()
               ? QStringLiteral("バックアップから戻しました。")
               : QStringLiteral("バックアップから戻しました。戻す前の付箋は次のファイルに残してあります:\n") +
                     QDir::toNativeSeparators(kept));
    return true;
}

void TfrmMain::K1Click()
{
    hide();
}

void TfrmMain::N2Click()
{
    frmList->exec();
}

void TfrmMain::D1Click()
{
    for (TfrmDaviv* note : NoteWindows)
        if (!note->isVisible())
            note->ShowAgain();
}

// A note kept within reach goes back to the user's place as soon as that is in reach again.
void TfrmMain::KeepNotesReachable()
{
    for (TfrmDaviv* note : AllNoteWindows())
        if (note->isVisible())
            note->KeepReachable();
}

void TfrmMain::B1Click()
{
    const QDateTime opened = FDesktop.Now();
    ShowBalloon();
    frmBaloon->exec();
    LoadBalloonMessages();
    // What fell due while the editor held the new entries shows now.
    FReminders.lookBackTo(opened);
    ReminderStep();
}

void TfrmMain::N1Click()
{
    close();
}

void TfrmMain::V1Click()
{
    show();
    raise();
    activateWindow();
}

void TfrmMain::E1Click()
{
    close();
}

void TfrmMain::ShowBalloon()
{
    if (FTrayIcon1->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages())
        FTrayIcon1->showMessage(QString(), FBalloonHint, QSystemTrayIcon::Information, BalloonTimeoutMs);
    else
        FBalloonPopup->ShowText(FBalloonHint, BalloonTimeoutMs);
    Q_EMIT BalloonShown(FBalloonHint);
}

void TfrmMain::TrackTray()
{
    // A tray that appears after start (late at log-in, or restarted) gets the icon again.
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !FTrayAvailable) {
        FTrayIcon1->hide();
        FTrayIcon1->show();
    }
    FTrayAvailable = available;
}

void TfrmMain::contextMenuEvent(QContextMenuEvent* event)
{
    FPopupMenu1->popup(event->globalPos());
}

void TfrmMain::mousePressEvent(QMouseEvent* event)
{
    // The whole surface outside the swatches drags the palette.
    if (event->button() != Qt::LeftButton)
        return;
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    FDragOffset = event->globalPosition().toPoint() - pos();
}

void TfrmMain::mouseMoveEvent(QMouseEvent* event)
{
    if (FDragOffset)
        move(event->globalPosition().toPoint() - *FDragOffset);
}

void TfrmMain::mouseReleaseEvent(QMouseEvent*)
{
    FDragOffset.reset();
}
