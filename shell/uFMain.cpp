#include "shell/uFMain.h"
#include "ui_frmMain.h"

#include "list/uFList.h"
#include "notes/uFDaviv.h"
#include "platform/ColorValue.h"
#include "platform/Desktop.h"
#include "platform/ErrorReport.h"
#include "platform/StoreText.h"
#include "reminders/uFBaloon.h"
#include "shell/AppIcon.h"
#include "shell/BalloonPopup.h"
#include "shell/HotCorners.h"
#include "shell/Swatch.h"
#include "store/uSqliteDo.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWindow>

TfrmMain* frmMain = nullptr;

namespace {

QString StoreName()
{
    return QString::fromLatin1(StoreFileName);
}

// How a note is named to the user: its first line, shortened.
QString NoteCaption(const TfrmDaviv& note)
{
    const QString first = note.MemoText().section(QStringLiteral("\r\n"), 0, 0).trimmed();
    if (first.isEmpty())
        return QStringLiteral("・(空の付箋)");
    return QStringLiteral("・") + (first.size() > 40 ? first.left(40) + QStringLiteral("…") : first);
}

QString Text(const TSQLiteTable& table, const char* column)
{
    return DecodeStoreText(table.ValueText(column));
}

} // namespace

TfrmMain::TfrmMain(TDesktop& desktop)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), FDesktop(desktop), ui(std::make_unique<Ui::frmMain>()),
      FTimer1(new QTimer(this)), FTrayIcon1(new QSystemTrayIcon(this)), FPopupMenu1(new QMenu(this)),
      FPopupMenu2(new QMenu(this)), FBalloonPopup(new TBalloonPopup(this))
{
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
    connect(ui->K1, &QAction::triggered, this, &TfrmMain::K1Click);
    connect(ui->N2, &QAction::triggered, this, &TfrmMain::N2Click);
    connect(ui->D1, &QAction::triggered, this, &TfrmMain::D1Click);
    connect(ui->B1, &QAction::triggered, this, &TfrmMain::B1Click);
    connect(ui->N1, &QAction::triggered, this, &TfrmMain::N1Click);
    connect(ui->V1, &QAction::triggered, this, &TfrmMain::V1Click);
    connect(ui->E1, &QAction::triggered, this, &TfrmMain::E1Click);

    for (TSwatch* swatch : {ui->Panel1, ui->Panel2, ui->Panel3, ui->Panel4, ui->Panel5}) {
        connect(swatch, &TSwatch::MouseDown, this, [this, swatch](Qt::MouseButton b) { fcPanelMouseDown(swatch, b); });
        connect(swatch, &TSwatch::MouseLeave, this, [this, swatch] { fcPanelMouseLeave(swatch); });
        // The first two swatches take their colour on a click, the others on a double-click.
        const bool onClick = swatch == ui->Panel1 || swatch == ui->Panel2;
        connect(swatch, onClick ? &TSwatch::Clicked : &TSwatch::DoubleClicked, this,
                [this, swatch] { fcPanelClick(swatch); });
    }

    FTrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    FTrayIcon1->setIcon(ProgramIcon());
    FTrayIcon1->setToolTip(QStringLiteral("RIdozad"));
    FTrayIcon1->setContextMenu(FPopupMenu2);
    connect(FTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            V1Click();
    });
    FTrayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    FTrayIcon1->show();

    FTimer1->setObjectName(QStringLiteral("Timer1"));
    FTimer1->setInterval(1000);
    connect(FTimer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    FTimer1->start();

    // An error of the creation handler is reported and start-up goes on.
    try {
        FormCreate();
    } catch (const Exception& e) {
        ShowErrorReport(e.Message());
    }
}

TfrmMain::~TfrmMain()
{
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::FormCreate()
{
    const QSize screen = FDesktop.PrimaryScreenSize();
    ScreenWidth = screen.width();
    ScreenHeight = screen.height();
    DragArmed = 0;
    FirstTick = true;
    NoteWindows.clear();
    TSQLiteDo store(FDesktop.ProgramFolder());
    store.PrepareStore(StoreName());
    LoadBalloonMessages();
}

TSwatch* TfrmMain::Panel(int index) const
{
    const TSwatch* panels[] = {ui->Panel1, ui->Panel2, ui->Panel3, ui->Panel4, ui->Panel5};
    return const_cast<TSwatch*>(panels[index - 1]);
}

void TfrmMain::LoadBalloonMessages()
{
    TSQLiteDo store(FDesktop.ProgramFolder());
    TSQLiteDatabase& db = store.OpenStore(StoreName());
    TimeList.clear();
    MessageList.clear();
    DayList.clear();
    FReminderMoments.clear();
    std::unique_ptr<TSQLiteTable> table = db.RunQuery(StmtMessages);
    for (table->GoFirst(); !table->AtEnd(); table->GoNext()) {
        TimeList << Text(*table, "itime");
        MessageList << Text(*table, "message");
        DayList << Text(*table, "iday");
        FReminderMoments.push_back(ReadReminder(DayList.back(), TimeList.back()));
        if (!FReminderMoments.back())
            qWarning("reminder '%s %s' does not read as a date and time; it will not fire",
                     qUtf8Printable(DayList.back()), qUtf8Printable(TimeList.back()));
    }
    table.reset();
    store.CloseStore();
}

void TfrmMain::Timer1Timer()
{
    ReminderStep();
    HotCornerStep();
    if (FirstTick) {
        RestoreNotes();
        FirstTick = false;
    }
}

void TfrmMain::ReminderStep()
{
    TrackTray();
    const QDateTime now = FDesktop.Now();
    for (size_t i = 0; i < FReminderMoments.size(); ++i) {
        if (FReminderMoments[i] && ReminderDue(*FReminderMoments[i], now)) {
            FBalloonHint = ReminderBalloonText(TimeList[int(i)], MessageList[int(i)]);
            ShowBalloon();
        }
    }
}

void TfrmMain::HotCornerStep()
{
    const THotCornerStep step = ::HotCornerStep(ScreenWidth, ScreenHeight, FDesktop.CursorPos());
    if (step.Show) {
        setGeometry(step.Place.x(), step.Place.y(), PaletteWidth, PaletteHeight);
        show();
        raise();
    }
    if (step.Hide)
        hide();
}

void TfrmMain::RestoreNotes()
{
    // Every note is built before the first is shown. On X each show waits on the server five
    // times; a note built between two shows, while the server's answers and events come in,
    // took two to four times as long as one built beforehand.
    QList<TfrmDaviv*> built;
    TSQLiteDo store(FDesktop.ProgramFolder());
    TSQLiteDatabase& db = store.OpenStore(StoreName());
    std::unique_ptr<TSQLiteTable> table = db.RunQuery(StmtOpenNotes);
    for (table->GoFirst(); !table->AtEnd(); table->GoNext()) {
        auto* note = new TfrmDaviv(FDesktop, this);
        try {
            note->SetNoteDate(StrToDate(Text(*table, "f_day")));
            note->SetMemoText(Text(*table, "note"));
            const int left = StrToInt(Text(*table, "xpos"));
            const int top = StrToInt(Text(*table, "ypos"));
            const int width = StrToInt(Text(*table, "width"));
            const int height = StrToInt(Text(*table, "height"));
            note->SetBounds(left, top, width, height);
            note->SetTermFlag(StrToBool(Text(*table, "term")));
            note->SetVisibleFlag(StrToBool(Text(*table, "visible")));
            note->SetColor(quint32(StrToInt(Text(*table, "color"))));
            note->SetAlphaBlendValue(StrToInt(Text(*table, "alpha")) & 0xFF);
            note->SetNoteId(StrToInt(Text(*table, "rowid")));
            note->SetMemoColor(note->Color());
            built.append(note);
        } catch (const std::exception&) {
            // A row that does not read is left as it is in the store, without a word.
            delete note;
        }
    }
    for (TfrmDaviv* note : std::as_const(built)) {
        NoteWindows.append(note);
        try {
            note->show();
        } catch (const std::exception&) {
            NoteWindows.removeOne(note);
            delete note;
        }
    }
    table.reset();
    store.CloseStore();
}

void TfrmMain::SaveAllNotes()
{
    // The last save must not lose the last edits to a store another process holds for a
    // moment: wait for its lock, and name every note that still could not be saved.
    QElapsedTimer waited;
    waited.start();
    QStringList unsaved;
    const qsizetype count = NoteWindows.size();
    for (qsizetype i = 0; i < count; ++i) {
        TfrmDaviv* note = NoteWindows.first();
        if (!SaveAtExit(*note, int(std::max<qint64>(0, ExitLockWaitMs - waited.elapsed()))))
            unsaved << NoteCaption(*note);
        NoteWindows.removeFirst();
        delete note;
    }
    NoteWindows.clear();
    if (!unsaved.isEmpty())
        ShowErrorReport(QStringLiteral("次の付箋を保存できませんでした:\n") + unsaved.join(QLatin1Char('\n')));
}

bool TfrmMain::SaveAtExit(const TfrmDaviv& note, int lockWaitMs)
{
    try {
        TSQLiteDo store(FDesktop.ProgramFolder());
        store.SetLockWait(lockWaitMs);
        store.OpenStore(StoreName());
        return !store.TryExecuteInTransaction(StmtSaveNote(note.CurrentValues()));
    } catch (const Exception& e) {
        qWarning("note %d not saved at exit: %s", note.NoteId(), e.what());
        return false;
    }
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    SaveAllNotes();
    event->accept();
    Q_EMIT Closed();
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
    auto* note = new TfrmDaviv(FDesktop, this);
    note->SetBounds(p.x(), p.y(), TfrmDaviv::DesignWidth, TfrmDaviv::DesignHeight);
    note->SetColor(SelectedColor);
    note->SetMemoText(QString());
    note->SetMemoColor(SelectedColor);
    note->SetToday();
    note->show();
    {
        TSQLiteDo store(FDesktop.ProgramFolder());
        store.OpenStore(StoreName());
        const qint32 id = store.AddNote(FDesktop.Today());
        store.CloseStore();
        note->SetNoteId(id);
    }
    NoteWindows.append(note);
    hide();
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
            note->show();
}

void TfrmMain::B1Click()
{
    ShowBalloon();
    frmBaloon->exec();
    LoadBalloonMessages();
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
