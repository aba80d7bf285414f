#include "NoteWindow.h"

#include "NoteGeometry.h"
#include "NoteText.h"
#include "NoteEditor.h"
#include "ColorValue.h"
#include "Desktop.h"
#include "ErrorReport.h"
#include "StoreText.h"
#include "WindowSystem.h"
#include "NoteStore.h"
#include "ui_NoteWindow.h"

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

NoteWindow* frmDaviv = nullptr;

namespace {

constexpr int FadeStepCount = 11;
constexpr int FadeDecrement = 20;
constexpr int FadeIntervalMs = 100;

Qt::CursorShape cursorFor(Qt::Edges edges)
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
QIcon smallSizesOf(const QIcon& icon)
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
NoteWindow::NoteWindow(Desktop& desktop, const NoteStore& store, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), m_desktop(desktop), ui(std::make_unique<Ui::NoteWindow>()),
      m_saver(store)
{
    ui->setupUi(this);
    if (const QIcon small = smallSizesOf(windowIcon()); !small.isNull())
        setWindowIcon(small);
    m_menu = ui->menu;
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
    setColor(m_color);
    setAlpha(DefaultAlpha);

    connect(ui->hideAction, &QAction::triggered, this, guarded([this] { hideNote(); }));
    connect(ui->halfTransparentAction, &QAction::triggered, this, guarded([this] { makeHalfTransparent(); }));
    connect(ui->endTaskAction, &QAction::triggered, this, guarded([this] { endTask(); }));
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        addMoreCommands();
        m_menu->popup(mapToGlobal(pos));
    });
    ui->editor->viewport()->installEventFilter(this);
    connect(ui->editor, &NoteEditor::linkPressed, this,
            [this](int start, int end) { runGuarded([&] { openLink(start, end); }); });
    ui->editor->installEventFilter(this);

    m_fadeTimer = new QTimer(this);
    m_fadeTimer->setInterval(FadeIntervalMs);
    connect(m_fadeTimer, &QTimer::timeout, this, guarded([this] { fadeStep(); }));

    // Typing only restarts a timer; the save runs once the user pauses.
    m_saveTimer = new QTimer(this);
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(SaveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, guarded([this] { saveNote(); }));
    connect(ui->editor->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!m_settingText && (removed || added))
            markChanged();
    });

    m_bounds = geometry();
    prepareStore();
}

NoteWindow::~NoteWindow()
{
    WindowPlaces::forget(this);
    ui->editor->removeEventFilter(this);
    ui->editor->viewport()->removeEventFilter(this);
    if (frmDaviv == this)
        frmDaviv = nullptr;
    // A window destroyed during its fade still ends its note, as the fade would have.
    if (m_taskEnding) {
        m_taskEnding = false;
        m_termFlag = false;
        writeEndedRecord();
    }
}

void NoteWindow::prepareStore()
{
    ui->editor->setAutoUrlDetect(true);
}

void NoteWindow::saveNote(int lockWaitMs)
{
    store(SaveKind::Save, lockWaitMs);
}

void NoteWindow::discard()
{
    m_saver.discard();
    m_saveTimer->stop();
    m_fadeTimer->stop();
    m_taskEnding = false;
    hide();
    deleteLater();
}

void NoteWindow::writeEndedRecord()
{
    store(SaveKind::TaskEnd);
}

void NoteWindow::store(SaveKind kind, int lockWaitMs)
{
    // A window that a creator has not bound to a row yet has nothing to write to.
    if (!m_saver.canSave())
        return;
    const bool stored = m_saver.save(currentNote(), kind, lockWaitMs);
    showSaveState();
    if (stored) {
        m_saveTimer->stop();
        Q_EMIT saved();
    }
}

void NoteWindow::showSaveState()
{
    const SaveState state = m_saver.state();
    const QString& error = m_saver.error();
    // Made when first needed: most notes never need it, and start-up builds every note.
    if (!m_unsavedMark && state == SaveState::Failed) {
        m_unsavedMark = new QLabel(QStringLiteral("未保存"), this);
        m_unsavedMark->setObjectName(QStringLiteral("unsavedMark"));
        QPalette red = m_unsavedMark->palette();
        red.setColor(QPalette::WindowText, QColor(192, 0, 0));
        m_unsavedMark->setPalette(red);
        QFont bold = m_unsavedMark->font();
        bold.setBold(true);
        m_unsavedMark->setFont(bold);
        m_unsavedMark->adjustSize();
    }
    if (!m_unsavedMark)
        return;
    m_unsavedMark->setToolTip(error.isEmpty() ? QString() : QStringLiteral("保存できていません: ") + error);
    m_unsavedMark->setVisible(state == SaveState::Failed);
    placeUnsavedMark();
}

void NoteWindow::markChanged()
{
    m_saver.markChanged();
    m_saveTimer->start();
}

void NoteWindow::placeUnsavedMark()
{
    if (!m_unsavedMark)
        return;
    const QRect strip = ui->dateLabel->geometry();
    m_unsavedMark->move(strip.right() - m_unsavedMark->width() + 1, strip.bottom() - m_unsavedMark->height() + 1);
    m_unsavedMark->raise();
}

const QList<int>& NoteWindow::zoomSteps()
{
    static const QList<int> steps = {50, 67, 75, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
    return steps;
}

void NoteWindow::setLook(const NoteLook& look)
{
    NoteLook clamped = look;
    clamped.zoom = std::clamp(look.zoom, zoomSteps().front(), zoomSteps().back());
    m_saver.setLook(clamped);
    applyLook();
}

// The editor's text takes the zoom; the date strip keeps its size.
void NoteWindow::applyLook()
{
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * look().zoom / 100.0);
    ui->editor->setFont(font);
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) != look().onTop) {
        const bool shown = isVisible();
        // Changing a window's flags hides it; it comes back where it was.
        setWindowFlag(Qt::WindowStaysOnTopHint, look().onTop);
        setGeometry(m_bounds);
        if (shown)
            show();
    }
}

void NoteWindow::zoomBy(int steps)
{
    // From a size between two steps (set elsewhere) the first step goes to the next one.
    const QList<int>& zoom = zoomSteps();
    int target = look().zoom;
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
    setZoom(target);
}

void NoteWindow::setZoom(int percent)
{
    NoteLook look = m_saver.look();
    look.zoom = percent;
    setLook(look);
    m_saver.storeLook();
}

void NoteWindow::setOnTop(bool onTop)
{
    NoteLook look = m_saver.look();
    look.onTop = onTop;
    setLook(look);
    m_saver.storeLook();
}

void NoteWindow::changeColor(quint32 color)
{
    setColor(color);
    setEditorColor(color);
    saveNote();
}

void NoteWindow::addMoreCommands()
{
    if (m_moreCommands)
        return;
    m_moreCommands = true;
    QMenu* menu = m_menu;
    menu->addSeparator();
    QMenu* size = menu->addMenu(QStringLiteral("文字の大きさ"));
    size->setObjectName(QStringLiteral("zoomMenu"));
    const auto add = [this](QMenu* to, const QString& text, const QKeySequence& keys, auto&& slot) {
        QAction* action = to->addAction(text);
        action->setShortcut(keys);
        // The keys themselves are the editor's (see eventFilter); the menu only names them.
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, guarded(slot));
        return action;
    };
    add(size, QStringLiteral("拡大(&I)"), QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { zoomBy(1); });
    add(size, QStringLiteral("縮小(&O)"), QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { zoomBy(-1); });
    add(size, QStringLiteral("標準の大きさ(&0)"), QKeySequence(Qt::CTRL | Qt::Key_0),
        [this] { setZoom(NoteLook::DefaultZoom); });
    size->addSeparator();
    for (int percent : zoomSteps()) {
        QAction* step = add(size, QStringLiteral("%1 %").arg(percent), {}, [this, percent] { setZoom(percent); });
        step->setCheckable(true);
        connect(size, &QMenu::aboutToShow, step, [this, step, percent] { step->setChecked(look().zoom == percent); });
    }
    QAction* onTop = menu->addAction(QStringLiteral("常に手前に表示(&T)"));
    onTop->setObjectName(QStringLiteral("onTopAction"));
    onTop->setCheckable(true);
    connect(menu, &QMenu::aboutToShow, onTop, [this, onTop] { onTop->setChecked(look().onTop); });
    connect(onTop, &QAction::triggered, this, [this](bool on) { runGuarded([&] { setOnTop(on); }); });
    QMenu* colors = menu->addMenu(QStringLiteral("色"));
    colors->setObjectName(QStringLiteral("colorMenu"));
    const std::pair<const char*, quint32> palette[] = {
        {"ピンク", 16744703}, {"水色", 16771434}, {"緑", 65408}, {"黄色", 65535}, {"グレー", 12632256}};
    for (const auto& [name, value] : palette) {
        QPixmap swatch(16, 16);
        swatch.fill(colorFromValue(value));
        QAction* color = colors->addAction(QIcon(swatch), QString::fromUtf8(name));
        color->setCheckable(true);
        connect(colors, &QMenu::aboutToShow, color, [this, color, value] { color->setChecked(m_color == value); });
        connect(color, &QAction::triggered, this, guarded([this, value] { changeColor(value); }));
    }
    menu->addSeparator();
    NoteEditor* editor = ui->editor;
    add(menu, QStringLiteral("切り取り"), QKeySequence::Cut, [editor] { editor->cut(); });
    add(menu, QStringLiteral("コピー"), QKeySequence::Copy, [editor] { editor->copy(); });
    add(menu, QStringLiteral("貼り付け"), QKeySequence::Paste, [editor] { editor->paste(); });
    add(menu, QStringLiteral("すべて選択"), QKeySequence::SelectAll, [editor] { editor->selectAll(); });
}

void NoteWindow::bindRow(qint32 id, const RowImage& image)
{
    m_saver.bindRow(id, image);
}

void NoteWindow::addRow()
{
    // The row holds the date alone; the rest follows with the delayed save.
    if (m_saver.addRow(m_desktop.today()))
        markChanged();
    showSaveState();
}

// A note started at another scale factor or without a monitor must not lose the arrangement the
// user made: the store keeps the user's place, and the note goes back there when it can.
bool NoteWindow::keepReachable()
{
    // Stored places can hold anything an integer holds; beyond this nothing is on a screen.
    constexpr int Far = 1 << 20;
    const QRect at = m_userBounds.value_or(m_bounds);
    const QRect bounded(std::clamp(at.x(), -Far, Far), std::clamp(at.y(), -Far, Far), std::min(at.width(), Far),
                        std::min(at.height(), Far));
    const std::optional<QRect> placed = reachableGeometry(bounded, m_desktop.screenAreas(), dateStripWidth());
    if (placed && !m_userBounds)
        m_userBounds = at;
    else if (!placed)
        m_userBounds.reset();
    const QRect target = placed.value_or(at);
    if (target == m_bounds)
        return false;
    m_bounds = target;
    setGeometry(target);
    return true;
}

// The strip right of the editor, the note's handle: the date and the frame beside it.
int NoteWindow::dateStripWidth() const
{
    return ui->dateLabel->sizeHint().width() + layout()->contentsMargins().right();
}

void NoteWindow::showAgain()
{
    if (!m_termFlag)
        setAlpha(DefaultAlpha);
    keepReachable();
    show();
}

void NoteWindow::setRecord(const StoredNote& stored)
{
    const Note& r = stored.note;
    setNoteDate(r.date);
    // A window manager's 1×1 of an unmapped window once ended up in stores; such a note comes
    // back at a size that shows it. Every note has the same least size: it is worked out once.
    static const QSize least = minimumSizeHint();
    const bool tooSmall = r.bounds.width() < least.width() || r.bounds.height() < least.height();
    setBounds(r.bounds.x(), r.bounds.y(), tooSmall ? DesignWidth : r.bounds.width(),
              tooSmall ? DesignHeight : r.bounds.height());
    // The text is laid out once, at the editor's final width, not again when the window shows.
    layout()->activate();
    setText(r.text);
    setOpen(r.isOpen);
    setVisibleFlag(r.visible);
    setColor(r.color);
    setAlpha(r.alpha & 0xFF);
    bindRow(r.id, stored.image);
    m_saver.setTextAsRead(text());
    setEditorColor(r.color);
    if (tooSmall)
        markChanged();
}

Note NoteWindow::currentNote() const
{
    Note note;
    note.id = noteId();
    note.date = m_noteDate;
    note.text = text();
    note.bounds = m_userBounds.value_or(m_bounds);
    // Once the task end has begun the note is ended, whatever saves it before the fade is over.
    note.isOpen = m_termFlag && !m_taskEnding;
    note.visible = m_visibleFlag;
    note.color = m_color;
    note.alpha = frmDaviv ? frmDaviv->alpha() : DefaultAlpha;
    return note;
}

void NoteWindow::setToday()
{
    setNoteDate(m_desktop.today());
}

void NoteWindow::setNoteDate(const QDate& date)
{
    m_noteDate = date;
    ui->dateLabel->setText(formatStoreDate(date));
}

void NoteWindow::setNoteId(qint32 id)
{
    m_saver.setId(id);
}

void NoteWindow::setOpen(bool term)
{
    m_termFlag = term;
}

void NoteWindow::setVisibleFlag(bool visible)
{
    m_visibleFlag = visible;
}

void NoteWindow::setBounds(int left, int top, int width, int height)
{
    m_userBounds.reset();
    m_bounds = QRect(left, top, width, height);
    setGeometry(m_bounds);
}

void NoteWindow::setColor(quint32 color)
{
    m_color = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colorFromValue(color));
    setPalette(pal);
    update();
}

void NoteWindow::setEditorColor(quint32 color)
{
    ui->editor->setColor(colorFromValue(color));
}

void NoteWindow::setAlpha(int alpha)
{
    m_alpha = std::clamp(alpha, 0, 255);
    setWindowOpacity(m_alpha / 255.0);
}

void NoteWindow::setText(const QString& text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_settingText = true;
    ui->editor->setPlainText(plain);
    m_settingText = false;
}

QString NoteWindow::text() const
{
    // A soft line break (Shift+Enter) was typed as one, so it ends a line too.
    QStringList lines;
    for (QTextBlock block = ui->editor->document()->begin(); block.isValid(); block = block.next())
        lines << block.text().split(QChar::LineSeparator);
    return noteTextFromLines(lines);
}

NoteEditor* NoteWindow::editor() const
{
    return ui->editor;
}

QLabel* NoteWindow::dateLabel() const
{
    return ui->dateLabel;
}

void NoteWindow::hideNote()
{
    if (m_taskEnding)
        return;
    hide();
}

void NoteWindow::makeHalfTransparent()
{
    if (m_taskEnding)
        return;
    setAlpha(HalfAlpha);
}

// The fade runs on a timer, so the rest of the program goes on meanwhile; the commands wait
// for it to finish.
void NoteWindow::endTask()
{
    if (m_taskEnding)
        return;
    m_taskEnding = true;
    m_fadeSteps = fadeSteps(m_alpha);
    m_fadeIndex = 0;
    fadeStep();
    m_fadeTimer->start();
}

void NoteWindow::fadeStep()
{
    if (m_fadeIndex < m_fadeSteps.size()) {
        setAlpha(m_fadeSteps.at(m_fadeIndex++));
        return;
    }
    // The wait after the last step is over. The flags change first, so that the save of a
    // pointer leaving the editor as the window hides writes the note as ended too.
    m_fadeTimer->stop();
    m_termFlag = false;
    m_taskEnding = false;
    hide();
    writeEndedRecord();
    Q_EMIT taskEnded();
}

QList<int> NoteWindow::fadeSteps(int from)
{
    QList<int> steps;
    int value = std::clamp(from, 0, 255);
    for (int i = 0; i < FadeStepCount; ++i) {
        steps << value;
        value = std::max(0, value - FadeDecrement);
    }
    return steps;
}

void NoteWindow::openLink(int start, int end)
{
    ui->editor->selectRange(start, end);
    m_desktop.openLink(ui->editor->selectedText());
}

void NoteWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    m_termFlag = true;
    keepOutOfTaskbar(this);
    watchPlaces();
    // The expose tells when the window manager has mapped the window; see eventFilter().
    if (QWindow* handle = windowHandle()) {
        handle->installEventFilter(this);
        m_shownWinId = handle->winId();
    }
}

// Qt's xcb backend makes a new native window as it maps one whose staying on top changed since
// it was last shown, after the show event: the new one, too, stays off the taskbar and is watched.
void NoteWindow::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    QWindow* handle = windowHandle();
    if (!visible || !isVisible() || !handle || handle->winId() == m_shownWinId)
        return;
    m_shownWinId = handle->winId();
    keepOutOfTaskbar(this);
    watchPlaces();
}

void NoteWindow::watchPlaces()
{
    WindowPlaces::watch(this, [this](std::optional<QPoint> place, QSize size) { placeReported(place, size); });
}

// Off X11, Qt's move and resize events are the window system's word. The move that a show
// delivers for bounds set while hidden is no change of a shown window: restoring many notes
// must not write them all.
void NoteWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (WindowPlaces::active() || !isVisible() || m_dragging || event->pos() == m_bounds.topLeft())
        return;
    const QRect before = m_bounds;
    m_bounds.moveTopLeft(event->pos());
    boundsChanged(before);
}

void NoteWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeUnsavedMark();
    if (WindowPlaces::active() || !isVisible() || m_dragging || event->size() == m_bounds.size())
        return;
    const QRect before = m_bounds;
    m_bounds.setSize(event->size());
    boundsChanged(before);
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
void NoteWindow::placeReported(std::optional<QPoint> place, QSize size)
{
    if (m_dragging)
        return;
    const QRect before = m_bounds;
    if (place)
        m_bounds.moveTopLeft(*place);
    if (size.width() >= minimumWidth() && size.height() >= minimumHeight())
        m_bounds.setSize(size);
    boundsChanged(before);
}

// The window system moved or resized the shown note: a move is saved at once, a new size once
// the resizing stops. A note shown away from the user's place keeps that place, unless the
// user's own hand moved it: the program's move into reach, or a window manager's, is no move of
// the user's.
void NoteWindow::boundsChanged(const QRect& before)
{
    if (!isVisible() || m_bounds == before)
        return;
    if (m_userBounds) {
        if (!m_movingByHand)
            return;
        m_userBounds.reset();
    }
    if (m_bounds.topLeft() != before.topLeft())
        saveNote();
    else
        markChanged();
}

// Once the window is exposed, Qt's idea of its place may still be that 0,0; the context menu
// (mapToGlobal) uses it, so the note asks for its own bounds again: a no-op on the screen.
void NoteWindow::reassertBounds()
{
    if (isVisible() && m_bounds.isValid() && geometry() != m_bounds)
        setGeometry(m_bounds);
}

void NoteWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && saveState() != SaveState::Stored)
        saveNote();
}

void NoteWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor color = colorFromValue(m_color);
    painter.fillRect(rect(), color);
    painter.setPen(color.darker(160));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// Presses reach the window on its sizing frame and, passed on by the label, on the date
// strip; the editor keeps its own.
void NoteWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const Qt::Edges edges = frameEdgesAt(size(), event->position().toPoint(), layout()->contentsMargins());
    // WORKAROUND: offscreen and some X servers refuse system moves and resizes; do them here.
    if (QWindow* handle = windowHandle()) {
        if (edges ? handle->startSystemResize(edges) : handle->startSystemMove()) {
            m_movingByHand = true;
            return;
        }
    }
    m_dragging = true;
    m_dragEdges = edges;
    m_dragStart = event->globalPosition().toPoint();
    m_dragGeometry = m_bounds;
}

void NoteWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        if (event->buttons() == Qt::NoButton) {
            // The window system has let go of the note: the hand is off it.
            m_movingByHand = false;
            setCursor(cursorFor(frameEdgesAt(size(), event->position().toPoint(), layout()->contentsMargins())));
        }
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    const QPoint delta = event->globalPosition().toPoint() - m_dragStart;
    const QRect target = m_dragEdges ? resizedGeometry(m_dragGeometry, m_dragEdges, delta, minimumSize())
                                     : m_dragGeometry.translated(delta);
    const bool moved = target.topLeft() != m_bounds.topLeft();
    // Moved or resized by the user, the note is where the user wants it.
    if (target != m_bounds)
        m_userBounds.reset();
    m_bounds = target;
    setGeometry(target);
    if (moved && isVisible())
        saveNote();
}

void NoteWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_movingByHand = false;
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        event->accept();
        // A resize is saved when it ends.
        if (m_bounds.size() != m_dragGeometry.size())
            saveNote();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

bool NoteWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl and the wheel, Ctrl++, Ctrl+- and Ctrl+0 size the note's text.
    if (watched == ui->editor || watched == ui->editor->viewport()) {
        if (event->type() == QEvent::Wheel) {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            if (wheel->modifiers() & Qt::ControlModifier) {
                if (const int notches = wheel->angleDelta().y() / 120)
                    runGuarded([&] { zoomBy(notches); });
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
                    runGuarded([&] {
                        if (code == Qt::Key_0)
                            setZoom(NoteLook::DefaultZoom);
                        else
                            zoomBy(code == Qt::Key_Minus ? -1 : 1);
                    });
                    return true;
                }
            }
        }
    }
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &NoteWindow::reassertBounds);
    if (watched == ui->editor) {
        if (event->type() == QEvent::Leave)
            saveNote();
        else if (event->type() == QEvent::FocusIn)
            m_desktop.requestHiragana(ui->editor);
    }
    return QWidget::eventFilter(watched, event);
}
