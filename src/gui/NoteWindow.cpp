#include "gui/NoteWindow.h"

#include "gui/DisplayDates.h"
#include "gui/ErrorReport.h"
#include "gui/IdlePixels.h"
#include "gui/NoteAppearance.h"
#include "gui/NoteEditor.h"
#include "gui/NoteMenu.h"
#include "gui/NotePlacement.h"
#include "gui/NoteTextView.h"
#include "gui/TaskEndFade.h"
#include "gui/UnsavedMark.h"
#include "platform/Desktop.h"
#include "platform/WindowSystem.h"

#include "ui_NoteWindow.h"

#include <QKeyEvent>
#include <QLayout>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace {

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr;
}

} // namespace

// A tool window has no taskbar entry and, being a child of its owner, dies with it; unlike a
// child widget it is not hidden with it.
NoteWindow::NoteWindow(Desktop& desktop, const NoteStore& store, ErrorReport& report, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), m_desktop(desktop), m_report(report),
      m_ui(std::make_unique<Ui::NoteWindow>()), m_saver(store)
{
    m_ui->setupUi(this);
    m_view = m_ui->textView;
    m_placement = std::make_unique<NotePlacement>(*this);
    m_appearance = std::make_unique<NoteAppearance>(*this, *m_view);
    setMouseTracking(true);
    setAlpha(DefaultAlpha);

    connect(m_ui->hideAction, &QAction::triggered, this, guarded(m_report, [this] { hideNote(); }));
    connect(m_ui->halfTransparentAction, &QAction::triggered, this,
            guarded(m_report, [this] { makeHalfTransparent(); }));
    connect(m_ui->endTaskAction, &QAction::triggered, this, guarded(m_report, [this] { endTask(); }));
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        sharedMenu()->popup(*this, this, {m_ui->hideAction, m_ui->halfTransparentAction, m_ui->endTaskAction},
                            mapToGlobal(pos));
    });
    connect(m_view, &NoteTextView::linkPressed, this,
            [this](int start, int end) { runGuarded(m_report, [&] { openLink(start, end); }); });
    connect(m_view, &NoteTextView::pressed, this,
            [this](int position) { runGuarded(m_report, [&] { clickText(position); }); });
    connect(m_view, &NoteTextView::zoomStepsRequested, this,
            [this](int steps) { runGuarded(m_report, [&] { zoomBy(steps); }); });
    m_view->installEventFilter(this);

    if (IdlePixels::supported())
        new IdlePixels(*this);

    m_fade = new TaskEndFade(report, this);
    m_fade->setObjectName(QStringLiteral("taskEndFade"));
    connect(m_fade, &TaskEndFade::alphaChanged, this, &NoteWindow::setAlpha);
    connect(m_fade, &TaskEndFade::finished, this, &NoteWindow::finishTask);

    // Typing only restarts a timer; the save runs once the user pauses.
    m_saveTimer = new QTimer(this);
    m_saveTimer->setObjectName(QStringLiteral("saveTimer"));
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(SaveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, guarded(m_report, [this] { saveNote(); }));

    // A move is saved at once, a resize once it stops.
    connect(m_placement.get(), &NotePlacement::moved, this, [this] { saveNote(); });
    connect(m_placement.get(), &NotePlacement::resizeEnded, this, [this] { saveNote(); });
    connect(m_placement.get(), &NotePlacement::resized, this, [this] { markChanged(); });
    // A busy window manager may take a new native window before its hints: they go again.
    connect(m_placement.get(), &NotePlacement::remapped, this, [this] { keepOutOfTaskbar(this); });
}

NoteWindow::~NoteWindow()
{
    if (m_view)
        m_view->removeEventFilter(this);
    if (m_editor)
        m_editor->removeEventFilter(this);
}

// The editor takes the view's place at its size, then the text, which it so lays out once, and
// shows it as the view did.
void NoteWindow::buildEditor()
{
    if (m_editor)
        return;
    m_editor = new NoteEditor(this);
    m_editor->setObjectName(QStringLiteral("editor"));
    m_appearance->showTextIn(*m_editor);
    m_editor->setAutoUrlDetect(true);
    delete layout()->replaceWidget(m_view, m_editor);
    m_editor->setGeometry(m_view->geometry());
    if (isVisible())
        m_editor->show();
    m_editor->setNoteText(m_view->plainText());
    connect(m_editor->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!m_settingText && (removed || added))
            markChanged();
    });
    connect(m_editor, &NoteEditor::linkPressed, this,
            [this](int start, int end) { runGuarded(m_report, [&] { openLink(start, end); }); });
    connect(m_editor, &NoteEditor::zoomStepsRequested, this,
            [this](int steps) { runGuarded(m_report, [&] { zoomBy(steps); }); });
    connect(m_editor, &NoteEditor::defaultZoomRequested, this,
            guarded(m_report, [this] { setZoom(NoteLook::DefaultZoom); }));
    m_editor->installEventFilter(this);
    // The view may be where the event that asked for the editor is on its way: it goes afterwards.
    m_view->removeEventFilter(this);
    m_view->hide();
    m_view->deleteLater();
    m_view = nullptr;
}

void NoteWindow::clickText(int position)
{
    NoteEditor* editor = this->editor();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(position);
    editor->setTextCursor(cursor);
    editor->setFocus(Qt::MouseFocusReason);
}

void NoteWindow::endNow()
{
    if (!isEnding())
        return;
    m_fade->stop();
    m_isOpen = false;
    store(SaveKind::TaskEnd);
}

void NoteWindow::saveNote(int lockWaitMs)
{
    store(SaveKind::Save, lockWaitMs);
}

QString NoteWindow::saveError() const
{
    return saveFailureText(m_saver);
}

void NoteWindow::discard()
{
    m_saver.discard();
    m_saveTimer->stop();
    m_fade->stop();
    hide();
    deleteLater();
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
    const bool failed = m_saver.state() == SaveState::Failed;
    // Made when first needed: most notes never need it, and start-up builds every note.
    if (!m_unsavedMark && failed)
        m_unsavedMark = new UnsavedMark(*m_ui->dateLabel, this);
    if (m_unsavedMark)
        m_unsavedMark->showState(failed, saveError());
}

void NoteWindow::markChanged()
{
    m_saver.markChanged();
    m_saveTimer->start();
}

void NoteWindow::setLook(const NoteLook& look)
{
    NoteLook clamped = look;
    const QList<int>& steps = NoteAppearance::zoomSteps();
    clamped.zoom = std::clamp(look.zoom, steps.front(), steps.back());
    m_saver.setLook(clamped);
    m_appearance->showLook(clamped, bounds());
}

void NoteWindow::zoomBy(int steps)
{
    setZoom(NoteAppearance::zoomedBy(look().zoom, steps));
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
    saveNote();
}

void NoteWindow::addRow()
{
    // The row holds the date alone; the rest follows with the delayed save.
    if (m_saver.addRow(m_desktop.today()))
        markChanged();
    showSaveState();
}

void NoteWindow::reopenRow()
{
    if (!m_saver.reopen())
        saveNote();
}

void NoteWindow::storeLook()
{
    m_saver.storeLook();
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
    // The store says at once what the desktop shows: a note ended and shown again is open, for
    // the note list and for a backup made meanwhile.
    saveNote();
}

void NoteWindow::take(const Note& note, const std::optional<RowImage>& row, const NoteLook& look)
{
    setNoteDate(note.date);
    // A window manager's 1×1 of an unmapped window once ended up in stores; such a note comes
    // back at a size that shows it; a new note, without a row yet, takes the size it is given.
    // Every note has the same least size: it is worked out once.
    static const QSize least = minimumSizeHint();
    const bool tooSmall =
        note.id != 0 && (note.bounds.width() < least.width() || note.bounds.height() < least.height());
    m_placement->setBounds(tooSmall ? QRect(note.bounds.topLeft(), QSize(DesignWidth, DesignHeight)) : note.bounds);
    // A note shown at the default look keeps the text's inherited font: most notes never change
    // their look, and start-up builds every note. A zoomed one takes its font before its text,
    // which is laid out once, at its first paint, at the final width and font.
    if (look != m_saver.look())
        setLook(look);
    layout()->activate();
    setText(note.text);
    m_isOpen = note.isOpen;
    m_visibleFlag = note.visible;
    setColor(note.color);
    setAlpha(note.alpha & 0xFF);
    if (row) {
        m_saver.bindRow(note.id, *row);
        m_saver.setTextAsRead(text());
    } else {
        m_saver.setId(note.id);
    }
    if (tooSmall)
        markChanged();
}

Note NoteWindow::currentNote() const
{
    Note note;
    note.id = noteId();
    note.date = m_noteDate;
    note.text = text();
    note.bounds = m_placement->userBounds();
    // Once the task end has begun the note is ended, whatever saves it before the fade is over.
    note.isOpen = m_isOpen && !isEnding();
    note.visible = m_visibleFlag;
    note.color = color();
    // What the note shows is for this run: half-transparent or faded, it comes back as it started.
    note.alpha = DefaultAlpha;
    return note;
}

void NoteWindow::setNoteDate(const QDate& date)
{
    m_noteDate = date;
    m_ui->dateLabel->setText(displayDate(date));
}

// The paper, the date strip and the text's background.
void NoteWindow::setColor(quint32 color)
{
    m_appearance->setColor(color);
}

quint32 NoteWindow::color() const
{
    return m_appearance->color();
}

void NoteWindow::setAlpha(int alpha)
{
    m_alpha = std::clamp(alpha, 0, 255);
    setWindowOpacity(m_alpha / 255.0);
}

void NoteWindow::setText(const QString& text)
{
    if (!m_editor) {
        m_view->setNoteText(text);
        return;
    }
    m_settingText = true;
    m_editor->setNoteText(text);
    m_settingText = false;
}

QString NoteWindow::text() const
{
    return m_editor ? m_editor->noteText() : m_view->noteText();
}

NoteEditor* NoteWindow::editor()
{
    buildEditor();
    return m_editor;
}

QLabel* NoteWindow::dateLabel() const
{
    return m_ui->dateLabel;
}

NoteMenu* NoteWindow::sharedMenu() const
{
    // Notes built alone (tests) own the menu themselves.
    return NoteMenu::of(parentWidget() ? parentWidget() : const_cast<NoteWindow*>(this), m_report);
}

QMenu* NoteWindow::menu() const
{
    return sharedMenu()->menu();
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
    store(SaveKind::TaskEnd);
    Q_EMIT taskEnded();
}

void NoteWindow::openLink(int start, int end)
{
    NoteEditor* editor = this->editor();
    editor->selectRange(start, end);
    m_desktop.openLink(editor->selectedText());
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

void NoteWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_unsavedMark)
        m_unsavedMark->place();
}

void NoteWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && saveState() != SaveState::Stored)
        saveNote();
}

void NoteWindow::paintEvent(QPaintEvent*)
{
    m_appearance->paint();
}

bool NoteWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor) {
        if (event->type() == QEvent::Leave)
            saveNote();
        else if (event->type() == QEvent::FocusIn)
            m_desktop.requestHiragana(m_editor);
    } else if (watched == m_view) {
        switch (event->type()) {
        case QEvent::Leave:
            saveNote();
            break;
        case QEvent::FocusIn:
            // A window the window system activates keeps its view until the first key; the keys
            // given to the note by the program, by Tab or by a click go to the editor at once.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason)
                m_desktop.requestHiragana(m_view);
            else
                runGuarded(m_report, [&] { editor()->setFocus(static_cast<QFocusEvent*>(event)->reason()); });
            break;
        case QEvent::KeyPress:
            if (isModifierKey(static_cast<QKeyEvent*>(event)->key()))
                break;
            [[fallthrough]];
        case QEvent::InputMethod:
            runGuarded(m_report, [&] {
                editor()->setFocus(Qt::OtherFocusReason);
                QCoreApplication::sendEvent(m_editor, event);
            });
            return true;
        case QEvent::Wheel:
            // Only the editor scrolls its text.
            if (static_cast<QWheelEvent*>(event)->modifiers() & Qt::ControlModifier)
                break;
            runGuarded(m_report, [&] { QCoreApplication::sendEvent(editor()->viewport(), event); });
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
