#include "notes/uFDaviv.h"

#include "notes/NoteFrame.h"
#include "notes/NoteText.h"
#include "notes/RichEdit.h"
#include "controls/ColorValue.h"
#include "platform/Desktop.h"
#include "shell/ErrorReport.h"
#include "platform/StoreText.h"
#include "platform/WindowSystem.h"
#include "store/NoteStore.h"
#include "ui_frmDaviv.h"

#include <QIcon>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTimer>
#include <QWindow>

#include <algorithm>

TfrmDaviv* frmDaviv = nullptr;

namespace {

constexpr int FadeStepCount = 11;
constexpr int FadeDecrement = 20;
constexpr int FadeIntervalMs = 100;

Qt::CursorShape CursorFor(Qt::Edges edges)
{
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        return Qt::SizeBDiagCursor;
    if (edges & (Qt::LeftEdge | Qt::RightEdge))
        return Qt::SizeHorCursor;
    if (edges & (Qt::TopEdge | Qt::BottomEdge))
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

// Each top-level window hands the X server its icon in every size the icon has, 350 KB for the
// program's; a note, which no task bar shows, keeps the small sizes that window lists use.
QIcon SmallSizesOf(const QIcon& icon)
{
    QIcon small;
    for (const QSize& size : icon.availableSizes())
        if (size.width() <= 32 && size.height() <= 32)
            small.addPixmap(icon.pixmap(size));
    return small;
}

} // namespace

// A tool window has no taskbar entry and, being a child of its owner, dies with it; unlike a
// child widget it is not hidden with it.
TfrmDaviv::TfrmDaviv(TDesktop& desktop, const TNoteStore& store, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), FDesktop(desktop), FStore(store),
      ui(std::make_unique<Ui::frmDaviv>())
{
    ui->setupUi(this);
    if (const QIcon small = SmallSizesOf(windowIcon()); !small.isNull())
        setWindowIcon(small);
    FPopupMenu1 = ui->PopupMenu1;
    setMouseTracking(true);
    // Notes come in pastel colours whatever the desktop's theme: their text, date and links are
    // always dark on them. Their menu, a window of its own, keeps the theme.
    QPalette ink = palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        ink.setColor(role, Qt::black);
    ink.setColor(QPalette::PlaceholderText, Qt::darkGray);
    ink.setColor(QPalette::Link, QColor(0, 0, 204));
    ink.setColor(QPalette::Highlight, QColor(51, 102, 204));
    ink.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(ink);
    SetColor(FColor);
    SetAlphaBlendValue(DefaultAlpha);

    connect(ui->N1, &QAction::triggered, this, Guarded([this] { btnHideClick(); }));
    connect(ui->H2, &QAction::triggered, this, Guarded([this] { H2Click(); }));
    connect(ui->E1, &QAction::triggered, this, Guarded([this] { E1Click(); }));
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        AddMoreCommands();
        FPopupMenu1->popup(mapToGlobal(pos));
    });
    ui->RichEdMemo->viewport()->installEventFilter(this);
    connect(ui->RichEdMemo, &TRichEdit::LinkPressed, this,
            [this](int start, int end) { RunGuarded([&] { RichEdMemoLinkPressed(start, end); }); });
    ui->RichEdMemo->installEventFilter(this);

    FFadeTimer = new QTimer(this);
    FFadeTimer->setInterval(FadeIntervalMs);
    connect(FFadeTimer, &QTimer::timeout, this, Guarded([this] { FadeStep(); }));

    // Typing only restarts a timer; the save runs once the user pauses.
    FSaveTimer = new QTimer(this);
    FSaveTimer->setSingleShot(true);
    FSaveTimer->setInterval(SaveDelayMs);
    connect(FSaveTimer, &QTimer::timeout, this, Guarded([this] { SaveNote(); }));
    connect(ui->RichEdMemo->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!FSettingText && (removed || added))
            Changed();
    });

    FBounds = geometry();
    FormCreate();
}

TfrmDaviv::~TfrmDaviv()
{
    WindowPlaces::Forget(this);
    ui->RichEdMemo->removeEventFilter(this);
    ui->RichEdMemo->viewport()->removeEventFilter(this);
    if (frmDaviv == this)
        frmDaviv = nullptr;
    // A window destroyed during its fade still ends its note, as the fade would have.
    if (FTaskEnding) {
        FTaskEnding = false;
        FTermFlag = false;
        WriteEndedRecord();
    }
}

void TfrmDaviv::FormCreate()
{
    ui->RichEdMemo->SetAutoUrlDetect(true);
}

void TfrmDaviv::SaveNote(int lockWaitMs)
{
    Store(false, lockWaitMs);
}

void TfrmDaviv::Discard()
{
    FDiscarded = true;
    FSaveTimer->stop();
    FFadeTimer->stop();
    FTaskEnding = false;
    hide();
    deleteLater();
}

void TfrmDaviv::WriteEndedRecord()
{
    Store(true);
}

void TfrmDaviv::Store(bool ended, int lockWaitMs)
{
    // A window that a creator has not bound to a row yet has nothing to write to.
    if (FDiscarded || (FNoteId == 0 && !FRowWanted))
        return;
    try {
        const TNoteValues values = CurrentValues();
        const TNoteSaveResult result = FStore.SaveNote(values, FRowImage, ended, lockWaitMs);
        if (result.Way == TNoteSaveResult::AddedMissing || result.Way == TNoteSaveResult::AddedTaken)
            FRowChange = result.Way;
        const bool newId = result.Id != FNoteId;
        FNoteId = result.Id;
        // How the note is shown goes with it to its new row.
        if (newId && FLook != TNoteLook{})
            StoreLook();
        FRowImage = result.Image;
        FStoredText = values.Text;
        FRowWanted = false;
        FSaveTimer->stop();
        SetSaveState(TSaveState::Stored);
        Q_EMIT Saved();
    } catch (const Exception& e) {
        SetSaveState(TSaveState::Failed, StoreFailureText(e, FStore.FilePath()));
    }
}

void TfrmDaviv::SetSaveState(TSaveState state, const QString& error)
{
    FSaveState = state;
    FSaveError = error;
    // Made when first needed: most notes never need it, and start-up builds every note.
    if (!FUnsavedMark && state == TSaveState::Failed) {
        FUnsavedMark = new QLabel(QStringLiteral("未保存"), this);
        FUnsavedMark->setObjectName(QStringLiteral("UnsavedMark"));
        QPalette red = FUnsavedMark->palette();
        red.setColor(QPalette::WindowText, QColor(192, 0, 0));
        FUnsavedMark->setPalette(red);
        QFont bold = FUnsavedMark->font();
        bold.setBold(true);
        FUnsavedMark->setFont(bold);
        FUnsavedMark->adjustSize();
    }
    if (!FUnsavedMark)
        return;
    FUnsavedMark->setToolTip(error.isEmpty() ? QString() : QStringLiteral("保存できていません: ") + error);
    FUnsavedMark->setVisible(state == TSaveState::Failed);
    PlaceUnsavedMark();
}

void TfrmDaviv::Changed()
{
    if (FSaveState == TSaveState::Stored)
        FSaveState = TSaveState::Pending;
    FSaveTimer->start();
}

void TfrmDaviv::PlaceUnsavedMark()
{
    if (!FUnsavedMark)
        return;
    const QRect strip = ui->Label1->geometry();
    FUnsavedMark->move(strip.right() - FUnsavedMark->width() + 1, strip.bottom() - FUnsavedMark->height() + 1);
    FUnsavedMark->raise();
}

const QList<int>& TfrmDaviv::ZoomSteps()
{
    static const QList<int> steps = {50, 67, 75, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
    return steps;
}

void TfrmDaviv::SetLook(const TNoteLook& look)
{
    FLook = look;
    FLook.Zoom = std::clamp(look.Zoom, ZoomSteps().front(), ZoomSteps().back());
    ApplyLook();
}

// The editor's text takes the zoom; the date strip keeps its size.
void TfrmDaviv::ApplyLook()
{
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * FLook.Zoom / 100.0);
    ui->RichEdMemo->setFont(font);
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) != FLook.OnTop) {
        const bool shown = isVisible();
        // Changing a window's flags hides it; it comes back where it was.
        setWindowFlag(Qt::WindowStaysOnTopHint, FLook.OnTop);
        setGeometry(FBounds);
        if (shown)
            show();
    }
}

void TfrmDaviv::StoreLook()
{
    if (FNoteId == 0)
        return;
    try {
        FStore.SaveNoteLook(FNoteId, FLook);
    } catch (const Exception& e) {
        // The note itself is stored; only how it is shown waits for the next change.
        qWarning("how note %d is shown was not stored: %s", FNoteId, e.what());
    }
}

void TfrmDaviv::ZoomBy(int steps)
{
    // From a size between two steps (set elsewhere) the first step goes to the next one.
    const QList<int>& zoom = ZoomSteps();
    int target = FLook.Zoom;
    for (int i = 0; i < std::abs(steps); ++i) {
        if (steps > 0) {
            const auto above = std::upper_bound(zoom.begin(), zoom.end(), target);
            if (above != zoom.end())
                target = *above;
        } else {
            const auto below = std::lower_bound(zoom.begin(), zoom.end(), target);
            if (below != zoom.begin())
                target = *(below - 1);
        }
    }
    SetZoom(target);
}

void TfrmDaviv::SetZoom(int percent)
{
    TNoteLook look = FLook;
    look.Zoom = percent;
    SetLook(look);
    StoreLook();
}

void TfrmDaviv::SetOnTop(bool onTop)
{
    TNoteLook look = FLook;
    look.OnTop = onTop;
    SetLook(look);
    StoreLook();
}

void TfrmDaviv::ChangeColor(quint32 color)
{
    SetColor(color);
    SetMemoColor(color);
    SaveNote();
}

void TfrmDaviv::AddMoreCommands()
{
    if (FMoreCommands)
        return;
    FMoreCommands = true;
    QMenu* menu = FPopupMenu1;
    menu->addSeparator();
    QMenu* size = menu->addMenu(QStringLiteral("文字の大きさ"));
    size->setObjectName(QStringLiteral("ZoomMenu"));
    const auto add = [this](QMenu* to, const QString& text, const QKeySequence& keys, auto&& slot) {
        QAction* action = to->addAction(text);
        action->setShortcut(keys);
        // The keys themselves are the editor's (see eventFilter); the menu only names them.
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, Guarded(slot));
        return action;
    };
    add(size, QStringLiteral("拡大(&I)"), QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { ZoomBy(1); });
    add(size, QStringLiteral("縮小(&O)"), QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { ZoomBy(-1); });
    add(size, QStringLiteral("標準の大きさ(&0)"), QKeySequence(Qt::CTRL | Qt::Key_0),
        [this] { SetZoom(TNoteLook::DefaultZoom); });
    size->addSeparator();
    for (int percent : ZoomSteps()) {
        QAction* step = add(size, QStringLiteral("%1 %").arg(percent), {}, [this, percent] { SetZoom(percent); });
        step->setCheckable(true);
        connect(size, &QMenu::aboutToShow, step, [this, step, percent] { step->setChecked(FLook.Zoom == percent); });
    }
    QAction* onTop = menu->addAction(QStringLiteral("常に手前に表示(&T)"));
    onTop->setObjectName(QStringLiteral("OnTop"));
    onTop->setCheckable(true);
    connect(menu, &QMenu::aboutToShow, onTop, [this, onTop] { onTop->setChecked(FLook.OnTop); });
    connect(onTop, &QAction::triggered, this, [this](bool on) { RunGuarded([&] { SetOnTop(on); }); });
    QMenu* colors = menu->addMenu(QStringLiteral("色"));
    colors->setObjectName(QStringLiteral("ColorMenu"));
    const std::pair<const char*, quint32> palette[] = {
        {"ピンク", 16744703}, {"水色", 16771434}, {"緑", 65408}, {"黄色", 65535}, {"グレー", 12632256}};
    for (const auto& [name, value] : palette) {
        QPixmap swatch(16, 16);
        swatch.fill(ColorFromValue(value));
        QAction* color = colors->addAction(QIcon(swatch), QString::fromUtf8(name));
        color->setCheckable(true);
        connect(colors, &QMenu::aboutToShow, color, [this, color, value] { color->setChecked(FColor == value); });
        connect(color, &QAction::triggered, this, Guarded([this, value] { ChangeColor(value); }));
    }
    menu->addSeparator();
    TRichEdit* editor = ui->RichEdMemo;
    add(menu, QStringLiteral("切り取り"), QKeySequence::Cut, [editor] { editor->cut(); });
    add(menu, QStringLiteral("コピー"), QKeySequence::Copy, [editor] { editor->copy(); });
    add(menu, QStringLiteral("貼り付け"), QKeySequence::Paste, [editor] { editor->paste(); });
    add(menu, QStringLiteral("すべて選択"), QKeySequence::SelectAll, [editor] { editor->selectAll(); });
}

void TfrmDaviv::SetNoteRow(qint32 id, const TRowImage& image)
{
    FNoteId = id;
    FRowImage = image;
}

void TfrmDaviv::AddRow()
{
    FRowWanted = true;
    try {
        const TNoteSaveResult added = FStore.AddNote(FDesktop.Today());
        SetNoteRow(added.Id, added.Image);
        FRowWanted = false;
        // The row holds the date alone; the rest follows with the delayed save.
        Changed();
    } catch (const Exception& e) {
        SetSaveState(TSaveState::Failed, StoreFailureText(e, FStore.FilePath()));
    }
}

// A note started at another scale factor or without a monitor must not lose the arrangement the
// user made: the store keeps the user's place, and the note goes back there when it can.
bool TfrmDaviv::KeepReachable()
{
    // Stored places can hold anything an integer holds; beyond this nothing is on a screen.
    constexpr int Far = 1 << 20;
    const QRect at = FUserBounds.value_or(FBounds);
    const QRect bounded(std::clamp(at.x(), -Far, Far), std::clamp(at.y(), -Far, Far), std::min(at.width(), Far),
                        std::min(at.height(), Far));
    const std::optional<QRect> placed = ReachableGeometry(bounded, FDesktop.ScreenAreas(), DateStripWidth());
    if (placed && !FUserBounds)
        FUserBounds = at;
    else if (!placed)
        FUserBounds.reset();
    const QRect target = placed.value_or(at);
    if (target == FBounds)
        return false;
    FBounds = target;
    setGeometry(target);
    return true;
}

// The strip right of the editor, the note's handle: the date and the frame beside it.
int TfrmDaviv::DateStripWidth() const
{
    return ui->Label1->sizeHint().width() + layout()->contentsMargins().right();
}

void TfrmDaviv::ShowAgain()
{
    if (!FTermFlag)
        SetAlphaBlendValue(DefaultAlpha);
    KeepReachable();
    show();
}

void TfrmDaviv::SetRecord(const TStoredNote& note)
{
    const TNoteRecord& r = note.Record;
    SetNoteDate(r.Date);
    // A window manager's 1×1 of an unmapped window once ended up in stores; such a note comes
    // back at a size that shows it. Every note has the same least size: it is worked out once.
    static const QSize least = minimumSizeHint();
    const bool tooSmall = r.Bounds.width() < least.width() || r.Bounds.height() < least.height();
    SetBounds(r.Bounds.x(), r.Bounds.y(), tooSmall ? DesignWidth : r.Bounds.width(),
              tooSmall ? DesignHeight : r.Bounds.height());
    // The text is laid out once, at the editor's final width, not again when the window shows.
    layout()->activate();
    SetMemoText(r.Text);
    FStoredText = MemoText();
    SetTermFlag(r.Term);
    SetVisibleFlag(r.Visible);
    SetColor(r.Color);
    SetAlphaBlendValue(r.Alpha & 0xFF);
    SetNoteRow(r.Id, note.Image);
    SetMemoColor(r.Color);
    if (tooSmall)
        Changed();
}

TNoteValues TfrmDaviv::CurrentValues() const
{
    const QRect outer = FUserBounds.value_or(FBounds);
    TNoteValues values;
    values.Date = FormatStoreDate(FNoteDate);
    values.Text = MemoText();
    if (FRowImage && values.Text == FStoredText)
        values.TextBytes = (*FRowImage)[RowImageNote];
    values.X = outer.x();
    values.Y = outer.y();
    values.Width = outer.width();
    values.Height = outer.height();
    // Once the task end has begun the note is ended, whatever saves it before the fade is over.
    values.Term = FTermFlag && !FTaskEnding;
    values.Color = FColor;
    values.Alpha = frmDaviv ? frmDaviv->AlphaBlendValue() : DefaultAlpha;
    values.Id = FNoteId;
    return values;
}

void TfrmDaviv::SetToday()
{
    SetNoteDate(FDesktop.Today());
}

void TfrmDaviv::SetNoteDate(const QDate& date)
{
    FNoteDate = date;
    ui->Label1->setText(FormatStoreDate(date));
}

void TfrmDaviv::SetNoteId(qint32 id)
{
    FNoteId = id;
    FRowImage.reset();
}

void TfrmDaviv::SetTermFlag(bool term)
{
    FTermFlag = term;
}

void TfrmDaviv::SetVisibleFlag(bool visible)
{
    FVisibleFlag = visible;
}

void TfrmDaviv::SetBounds(int left, int top, int width, int height)
{
    FUserBounds.reset();
    FBounds = QRect(left, top, width, height);
    setGeometry(FBounds);
}

void TfrmDaviv::SetColor(quint32 color)
{
    FColor = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorFromValue(color));
    setPalette(pal);
    update();
}

void TfrmDaviv::SetMemoColor(quint32 color)
{
    ui->RichEdMemo->SetColor(ColorFromValue(color));
}

void TfrmDaviv::SetAlphaBlendValue(int alpha)
{
    FAlpha = std::clamp(alpha, 0, 255);
    setWindowOpacity(FAlpha / 255.0);
}

void TfrmDaviv::SetMemoText(const QString& text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    FSettingText = true;
    ui->RichEdMemo->setPlainText(plain);
    FSettingText = false;
}

QString TfrmDaviv::MemoText() const
{
    // A soft line break (Shift+Enter) was typed as one, so it ends a line too.
    QStringList lines;
    for (QTextBlock block = ui->RichEdMemo->document()->begin(); block.isValid(); block = block.next())
        lines << block.text().split(QChar::LineSeparator);
    return NoteTextFromLines(lines);
}

TRichEdit* TfrmDaviv::RichEdMemo() const
{
    return ui->RichEdMemo;
}

QLabel* TfrmDaviv::Label1() const
{
    return ui->Label1;
}

void TfrmDaviv::btnHideClick()
{
    if (FTaskEnding)
        return;
    hide();
}

void TfrmDaviv::H2Click()
{
    if (FTaskEnding)
        return;
    SetAlphaBlendValue(HalfAlpha);
}

// The fade runs on a timer, so the rest of the program goes on meanwhile; the commands wait
// for it to finish.
void TfrmDaviv::E1Click()
{
    if (FTaskEnding)
        return;
    FTaskEnding = true;
    FFadeSteps = FadeSteps(FAlpha);
    FFadeIndex = 0;
    FadeStep();
    FFadeTimer->start();
}

void TfrmDaviv::FadeStep()
{
    if (FFadeIndex < FFadeSteps.size()) {
        SetAlphaBlendValue(FFadeSteps.at(FFadeIndex++));
        return;
    }
    // The wait after the last step is over. The flags change first, so that the save of a
    // pointer leaving the editor as the window hides writes the note as ended too.
    FFadeTimer->stop();
    FTermFlag = false;
    FTaskEnding = false;
    hide();
    WriteEndedRecord();
    Q_EMIT TaskEnded();
}

QList<int> TfrmDaviv::FadeSteps(int from)
{
    QList<int> steps;
    int value = std::clamp(from, 0, 255);
    for (int i = 0; i < FadeStepCount; ++i) {
        steps << value;
        value = std::max(0, value - FadeDecrement);
    }
    return steps;
}

void TfrmDaviv::RichEdMemoLinkPressed(int start, int end)
{
    ui->RichEdMemo->SelectRange(start, end);
    FDesktop.OpenLink(ui->RichEdMemo->SelectedText());
}

void TfrmDaviv::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    FTermFlag = true;
    KeepOutOfTaskbar(this);
    WatchPlaces();
    // The expose tells when the window manager has mapped the window; see eventFilter().
    if (QWindow* handle = windowHandle()) {
        handle->installEventFilter(this);
        FShownWinId = handle->winId();
    }
}

// Qt's xcb backend makes a new native window as it maps one whose staying on top changed since
// it was last shown, after the show event: the new one, too, stays off the taskbar and is watched.
void TfrmDaviv::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    QWindow* handle = windowHandle();
    if (!visible || !isVisible() || !handle || handle->winId() == FShownWinId)
        return;
    FShownWinId = handle->winId();
    KeepOutOfTaskbar(this);
    WatchPlaces();
}

void TfrmDaviv::WatchPlaces()
{
    WindowPlaces::Watch(this, [this](std::optional<QPoint> place, QSize size) { PlaceReported(place, size); });
}

// Off X11, Qt's move and resize events are the window system's word. The move that a show
// delivers for bounds set while hidden is no change of a shown window: restoring many notes
// must not write them all.
void TfrmDaviv::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (WindowPlaces::Active() || !isVisible() || FDragging || event->pos() == FBounds.topLeft())
        return;
    const QRect before = FBounds;
    FBounds.moveTopLeft(event->pos());
    BoundsChanged(before);
}

void TfrmDaviv::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceUnsavedMark();
    if (WindowPlaces::Active() || !isVisible() || FDragging || event->size() == FBounds.size())
        return;
    const QRect before = FBounds;
    FBounds.setSize(event->size());
    BoundsChanged(before);
}

// On X11 the note's place comes from the X events about its window, not from Qt's geometry:
// under a reparenting window manager Qt's move events can carry a place the window never had.
// QWidget::show() raises a tool window before mapping it; the window manager, which redirects
// that request, carries it out and the server sends a ConfigureNotify with the right place, but
// Qt ignores the event's x,y and asks the server where the window is when it handles the event.
// By then the manager may have reparented the window into a new frame still at 0,0 and 1x1, so
// Qt's geometry becomes 0,0, and openbox, leaving the window where it asked to be, never says
// otherwise. frameGeometry() is worse: with no _NET_FRAME_EXTENTS on the window yet, Qt takes
// its frame margins from that 1x1 frame, 0,0 1x1 in all.
void TfrmDaviv::PlaceReported(std::optional<QPoint> place, QSize size)
{
    if (FDragging)
        return;
    const QRect before = FBounds;
    if (place)
        FBounds.moveTopLeft(*place);
    if (size.width() >= minimumWidth() && size.height() >= minimumHeight())
        FBounds.setSize(size);
    BoundsChanged(before);
}

// The window system moved or resized the shown note: a move is saved at once, a new size once
// the resizing stops. A note shown away from the user's place keeps that place, unless the
// user's own hand moved it: the program's move into reach, or a window manager's, is no move of
// the user's.
void TfrmDaviv::BoundsChanged(const QRect& before)
{
    if (!isVisible() || FBounds == before)
        return;
    if (FUserBounds) {
        if (!FMovingByHand)
            return;
        FUserBounds.reset();
    }
    if (FBounds.topLeft() != before.topLeft())
        SaveNote();
    else
        Changed();
}

// Once the window is exposed, Qt's idea of its place may still be that 0,0; the context menu
// (mapToGlobal) uses it, so the note asks for its own bounds again: a no-op on the screen.
void TfrmDaviv::ReassertBounds()
{
    if (isVisible() && FBounds.isValid() && geometry() != FBounds)
        setGeometry(FBounds);
}

void TfrmDaviv::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && FSaveState != TSaveState::Stored)
        SaveNote();
}

void TfrmDaviv::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor color = ColorFromValue(FColor);
    painter.fillRect(rect(), color);
    painter.setPen(color.darker(160));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// Presses reach the window on its sizing frame and, passed on by the label, on the date
// strip; the editor keeps its own.
void TfrmDaviv::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const Qt::Edges edges = FrameEdgesAt(size(), event->position().toPoint(), layout()->contentsMargins());
    // WORKAROUND: offscreen and some X servers refuse system moves and resizes; do them here.
    if (QWindow* handle = windowHandle()) {
        if (edges ? handle->startSystemResize(edges) : handle->startSystemMove()) {
            FMovingByHand = true;
            return;
        }
    }
    FDragging = true;
    FDragEdges = edges;
    FDragStart = event->globalPosition().toPoint();
    FDragGeometry = FBounds;
}

void TfrmDaviv::mouseMoveEvent(QMouseEvent* event)
{
    if (!FDragging) {
        if (event->buttons() == Qt::NoButton) {
            // The window system has let go of the note: the hand is off it.
            FMovingByHand = false;
            setCursor(CursorFor(FrameEdgesAt(size(), event->position().toPoint(), layout()->contentsMargins())));
        }
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    const QPoint delta = event->globalPosition().toPoint() - FDragStart;
    const QRect target =
        FDragEdges ? ResizedGeometry(FDragGeometry, FDragEdges, delta, minimumSize()) : FDragGeometry.translated(delta);
    const bool moved = target.topLeft() != FBounds.topLeft();
    // Moved or resized by the user, the note is where the user wants it.
    if (target != FBounds)
        FUserBounds.reset();
    FBounds = target;
    setGeometry(target);
    if (moved && isVisible())
        SaveNote();
}

void TfrmDaviv::mouseReleaseEvent(QMouseEvent* event)
{
    FMovingByHand = false;
    if (FDragging && event->button() == Qt::LeftButton) {
        FDragging = false;
        event->accept();
        // A resize is saved when it ends.
        if (FBounds.size() != FDragGeometry.size())
            SaveNote();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

bool TfrmDaviv::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl and the wheel, Ctrl++, Ctrl+- and Ctrl+0 size the note's text.
    if (watched == ui->RichEdMemo || watched == ui->RichEdMemo->viewport()) {
        if (event->type() == QEvent::Wheel) {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            if (wheel->modifiers() & Qt::ControlModifier) {
                if (const int notches = wheel->angleDelta().y() / 120)
                    RunGuarded([&] { ZoomBy(notches); });
                return true;
            }
        } else if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() & Qt::ControlModifier) {
                const int code = key->key();
                const bool zoomKey =
                    code == Qt::Key_Plus || code == Qt::Key_Equal || code == Qt::Key_Minus || code == Qt::Key_0;
                if (zoomKey && event->type() == QEvent::ShortcutOverride) {
                    event->accept();
                    return true;
                }
                if (zoomKey) {
                    RunGuarded([&] {
                        if (code == Qt::Key_0)
                            SetZoom(TNoteLook::DefaultZoom);
                        else
                            ZoomBy(code == Qt::Key_Minus ? -1 : 1);
                    });
                    return true;
                }
            }
        }
    }
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &TfrmDaviv::ReassertBounds);
    if (watched == ui->RichEdMemo) {
        if (event->type() == QEvent::Leave)
            SaveNote();
        else if (event->type() == QEvent::FocusIn)
            FDesktop.RequestHiragana(ui->RichEdMemo);
    }
    return QWidget::eventFilter(watched, event);
}
