#include "NoteWindow.h"

#include "Desktop.h"
#include "ErrorReport.h"
#include "NoteAppearance.h"
#include "NoteEditor.h"
#include "NotePlacement.h"
#include "NoteStore.h"
#include "StoreText.h"
#include "TaskEndFade.h"
#include "WindowSystem.h"
#include "ui_NoteWindow.h"

#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

// A tool window has no taskbar entry and, being a child of its owner, dies with it; unlike a
// child widget it is not hidden with it.
NoteWindow::NoteWindow(Desktop& desktop, const NoteStore& store, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), m_desktop(desktop), m_store(store),
      m_ui(std::make_unique<Ui::NoteWindow>()), m_menu(*this)
{
    m_ui->setupUi(this);
    m_placement = std::make_unique<NotePlacement>(*this);
    m_appearance = std::make_unique<NoteAppearance>(*this, *m_ui->editor);
    setMouseTracking(true);
    setAlpha(DefaultAlpha);

    connect(m_ui->hideAction, &QAction::triggered, this, guarded([this] { hideNote(); }));
    connect(m_ui->halfTransparentAction, &QAction::triggered, this, guarded([this] { makeHalfTransparent(); }));
    connect(m_ui->endTaskAction, &QAction::triggered, this, guarded([this] { endTask(); }));
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu.popup(mapToGlobal(pos)); });
    connect(m_ui->editor, &NoteEditor::linkPressed, this,
            [this](int start, int end) { runGuarded([&] { openLink(start, end); }); });
    connect(m_ui->editor, &NoteEditor::zoomStepsRequested, this,
            [this](int steps) { runGuarded([&] { zoomBy(steps); }); });
    connect(m_ui->editor, &NoteEditor::defaultZoomRequested, this, guarded([this] { setZoom(NoteLook::DefaultZoom); }));
    m_ui->editor->installEventFilter(this);

    m_fade = new TaskEndFade(this);
    m_fade->setObjectName(QStringLiteral("taskEndFade"));
    connect(m_fade, &TaskEndFade::alphaChanged, this, &NoteWindow::setAlpha);
    connect(m_fade, &TaskEndFade::finished, this, &NoteWindow::finishTask);

    // Typing only restarts a timer; the save runs once the user pauses.
    m_saveTimer = new QTimer(this);
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(SaveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, guarded([this] { saveNote(); }));
    connect(m_ui->editor->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!m_settingText && (removed || added))
            markChanged();
    });

    // A move is saved at once, a resize once it stops.
    connect(m_placement.get(), &NotePlacement::moved, this, [this] { saveNote(); });
    connect(m_placement.get(), &NotePlacement::resizeEnded, this, [this] { saveNote(); });
    connect(m_placement.get(), &NotePlacement::resized, this, [this] { markChanged(); });
    m_ui->editor->setAutoUrlDetect(true);
}

NoteWindow::~NoteWindow()
{
    m_ui->editor->removeEventFilter(this);
    // A window destroyed during its fade still ends its note, as the fade would have.
    if (isEnding()) {
        m_fade->stop();
        m_isOpen = false;
        writeEndedRecord();
    }
}

void NoteWindow::saveNote(int lockWaitMs)
{
    store(false, lockWaitMs);
}

void NoteWindow::discard()
{
    m_discarded = true;
    m_saveTimer->stop();
    m_fade->stop();
    hide();
    deleteLater();
}

void NoteWindow::writeEndedRecord()
{
    store(true);
}

void NoteWindow::store(bool ended, int lockWaitMs)
{
    // A window that a creator has not bound to a row yet has nothing to write to.
    if (m_discarded || (m_noteId == 0 && !m_rowWanted))
        return;
    try {
        const NoteValues values = currentValues();
        const SaveResult result = m_store.saveNote(values, m_rowImage, ended, lockWaitMs);
        if (result.way == SaveResult::AddedMissing || result.way == SaveResult::AddedTaken)
            m_rowChange = result.way;
        const bool newId = result.id != m_noteId;
        m_noteId = result.id;
        // How the note is shown goes with it to its new row.
        if (newId && m_look != NoteLook{})
            storeLook();
        m_rowImage = result.image;
        m_storedText = values.text;
        m_rowWanted = false;
        m_saveTimer->stop();
        setSaveState(SaveState::Stored);
        Q_EMIT saved();
    } catch (const Error& e) {
        setSaveState(SaveState::Failed, storeFailureText(e, m_store.filePath()));
    }
}

void NoteWindow::setSaveState(SaveState state, const QString& error)
{
    m_saveState = state;
    m_saveError = error;
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
    if (m_saveState == SaveState::Stored)
        m_saveState = SaveState::Pending;
    m_saveTimer->start();
}

void NoteWindow::placeUnsavedMark()
{
    if (!m_unsavedMark)
        return;
    const QRect strip = m_ui->dateLabel->geometry();
    m_unsavedMark->move(strip.right() - m_unsavedMark->width() + 1, strip.bottom() - m_unsavedMark->height() + 1);
    m_unsavedMark->raise();
}

void NoteWindow::setLook(const NoteLook& look)
{
    m_look = look;
    const QList<int>& steps = NoteAppearance::zoomSteps();
    m_look.zoom = std::clamp(look.zoom, steps.front(), steps.back());
    m_appearance->showLook(m_look, bounds());
}

void NoteWindow::storeLook()
{
    if (m_noteId == 0)
        return;
    try {
        m_store.saveNoteLook(m_noteId, m_look);
    } catch (const Error& e) {
        // The note itself is stored; only how it is shown waits for the next change.
        qWarning("how note %d is shown was not stored: %s", m_noteId, e.what());
    }
}

void NoteWindow::zoomBy(int steps)
{
    setZoom(NoteAppearance::zoomedBy(m_look.zoom, steps));
}

void NoteWindow::setZoom(int percent)
{
    NoteLook look = m_look;
    look.zoom = percent;
    setLook(look);
    storeLook();
}

void NoteWindow::setOnTop(bool onTop)
{
    NoteLook look = m_look;
    look.onTop = onTop;
    setLook(look);
    storeLook();
}

void NoteWindow::changeColor(quint32 color)
{
    setColor(color);
    setEditorColor(color);
    saveNote();
}

void NoteWindow::bindRow(qint32 id, const RowImage& image)
{
    m_noteId = id;
    m_rowImage = image;
}

void NoteWindow::addRow()
{
    m_rowWanted = true;
    try {
        const SaveResult added = m_store.addNote(m_desktop.today());
        bindRow(added.id, added.image);
        m_rowWanted = false;
        // The row holds the date alone; the rest follows with the delayed save.
        markChanged();
    } catch (const Error& e) {
        setSaveState(SaveState::Failed, storeFailureText(e, m_store.filePath()));
    }
}

bool NoteWindow::keepReachable()
{
    return m_placement->keepReachable(m_desktop.screenAreas(), dateStripWidth());
}

QRect NoteWindow::bounds() const
{
    return m_placement->bounds();
}

// The strip right of the editor, the note's handle: the date and the frame beside it.
int NoteWindow::dateStripWidth() const
{
    return m_ui->dateLabel->sizeHint().width() + layout()->contentsMargins().right();
}

void NoteWindow::showAgain()
{
    if (!m_isOpen)
        setAlpha(DefaultAlpha);
    keepReachable();
    show();
}

void NoteWindow::setRecord(const StoredNote& note)
{
    const NoteRecord& r = note.record;
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
    m_storedText = text();
    setOpen(r.term);
    setVisibleFlag(r.visible);
    setColor(r.color);
    setAlpha(r.alpha & 0xFF);
    bindRow(r.id, note.image);
    setEditorColor(r.color);
    if (tooSmall)
        markChanged();
}

NoteValues NoteWindow::currentValues() const
{
    const QRect outer = m_placement->userBounds();
    NoteValues values;
    values.date = formatStoreDate(m_noteDate);
    values.text = text();
    if (m_rowImage && values.text == m_storedText)
        values.textBytes = (*m_rowImage)[rowImageNote];
    values.x = outer.x();
    values.y = outer.y();
    values.width = outer.width();
    values.height = outer.height();
    // Once the task end has begun the note is ended, whatever saves it before the fade is over.
    values.term = m_isOpen && !isEnding();
    values.color = color();
    // What the note shows is for this run: half-transparent or faded, it comes back as it started.
    values.alpha = DefaultAlpha;
    values.id = m_noteId;
    return values;
}

void NoteWindow::setToday()
{
    setNoteDate(m_desktop.today());
}

void NoteWindow::setNoteDate(const QDate& date)
{
    m_noteDate = date;
    m_ui->dateLabel->setText(formatStoreDate(date));
}

void NoteWindow::setNoteId(qint32 id)
{
    m_noteId = id;
    m_rowImage.reset();
}

void NoteWindow::setBounds(int left, int top, int width, int height)
{
    m_placement->setBounds(QRect(left, top, width, height));
}

void NoteWindow::setColor(quint32 color)
{
    m_appearance->setColor(color);
}

quint32 NoteWindow::color() const
{
    return m_appearance->color();
}

void NoteWindow::setEditorColor(quint32 color)
{
    m_appearance->setEditorColor(color);
}

void NoteWindow::setAlpha(int alpha)
{
    m_alpha = std::clamp(alpha, 0, 255);
    setWindowOpacity(m_alpha / 255.0);
}

void NoteWindow::setText(const QString& text)
{
    m_settingText = true;
    m_ui->editor->setNoteText(text);
    m_settingText = false;
}

QString NoteWindow::text() const
{
    return m_ui->editor->noteText();
}

NoteEditor* NoteWindow::editor() const
{
    return m_ui->editor;
}

QLabel* NoteWindow::dateLabel() const
{
    return m_ui->dateLabel;
}

QMenu* NoteWindow::menu() const
{
    return m_ui->menu;
}

void NoteWindow::hideNote()
{
    if (isEnding())
        return;
    hide();
}

void NoteWindow::makeHalfTransparent()
{
    if (isEnding())
        return;
    setAlpha(HalfAlpha);
}

void NoteWindow::endTask()
{
    if (isEnding())
        return;
    m_fade->start(m_alpha);
}

bool NoteWindow::isEnding() const
{
    return m_fade->isRunning();
}

// The flags change first, so that the save of a pointer leaving the editor as the window hides
// writes the note as ended too.
void NoteWindow::finishTask()
{
    m_isOpen = false;
    hide();
    writeEndedRecord();
    Q_EMIT taskEnded();
}

void NoteWindow::openLink(int start, int end)
{
    m_ui->editor->selectRange(start, end);
    m_desktop.openLink(m_ui->editor->selectedText());
}

void NoteWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    m_isOpen = true;
    keepOutOfTaskbar(this);
    m_placement->watchShown();
}

// Qt's xcb backend makes a new native window as it maps one whose staying on top changed since
// it was last shown, after the show event: the new one, too, stays off the taskbar and is watched.
void NoteWindow::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (!visible || !isVisible() || !m_placement->hasNewNativeWindow())
        return;
    keepOutOfTaskbar(this);
    m_placement->watchShown();
}

void NoteWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    m_placement->windowMoved(event->pos());
}

void NoteWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeUnsavedMark();
    m_placement->windowResized(event->size());
}

void NoteWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && m_saveState != SaveState::Stored)
        saveNote();
}

void NoteWindow::paintEvent(QPaintEvent*)
{
    m_appearance->paint();
}

// Presses reach the window on its sizing frame and, passed on by the label, on the date
// strip; the editor keeps its own.
void NoteWindow::mousePressEvent(QMouseEvent* event)
{
    if (!m_placement->mousePress(event))
        QWidget::mousePressEvent(event);
}

void NoteWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_placement->mouseMove(event))
        QWidget::mouseMoveEvent(event);
}

void NoteWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_placement->mouseRelease(event))
        QWidget::mouseReleaseEvent(event);
}

bool NoteWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->editor) {
        if (event->type() == QEvent::Leave)
            saveNote();
        else if (event->type() == QEvent::FocusIn)
            m_desktop.requestHiragana(m_ui->editor);
    }
    return QWidget::eventFilter(watched, event);
}
