#include "gui/Palette.h"

#include "core/HotCorners.h"
#include "gui/AppIcon.h"
#include "gui/ErrorReport.h"
#include "gui/NoteColors.h"
#include "gui/Swatch.h"
#include "platform/WindowSystem.h"

#include "ui_Palette.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QShowEvent>
#include <QWindow>

Palette::Palette(ErrorReport& report, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_ui(std::make_unique<Ui::Palette>()),
      m_menu(new QMenu(this))
{
    m_ui->setupUi(this);
    setFixedSize(PaletteWidth, PaletteHeight);
    move(0, 0);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(216, 231, 211));
    setPalette(background);
    setWindowOpacity(200 / 255.0);
    setWindowIcon(programIcon());

    m_menu->setObjectName(QStringLiteral("paletteMenu"));
    m_menu->addActions(
        {m_ui->hideAction, m_ui->noteListAction, m_ui->showAllNotesAction, m_ui->remindersAction, m_ui->quitAction});
    // Their shortcuts act while the palette or a swatch has the focus.
    addActions(m_menu->actions());

    for (int index = 1; index <= 5; ++index) {
        Swatch* each = swatch(index);
        each->setProperty("colorValue", NoteColors[index - 1].value);
        connect(each, &Swatch::pressed, this, [this, each, &report](Qt::MouseButton button) {
            runGuarded(report, [&] { armDragOut(each, button); });
        });
        connect(each, &Swatch::cursorLeft, this, guarded(report, [this] { leaveSwatch(); }));
        // The first two swatches take their colour on a click, the others on a double-click.
        connect(each, index <= 2 ? &Swatch::clicked : &Swatch::doubleClicked, this,
                guarded(report, [this, each] { takeSwatchColor(each); }));
    }
}

Palette::~Palette() = default;

Swatch* Palette::swatch(int index) const
{
    Swatch* const swatches[] = {m_ui->pinkSwatch, m_ui->blueSwatch, m_ui->greenSwatch, m_ui->yellowSwatch,
                                m_ui->greySwatch};
    return swatches[index - 1];
}

QAction* Palette::hideAction() const
{
    return m_ui->hideAction;
}

QAction* Palette::noteListAction() const
{
    return m_ui->noteListAction;
}

QAction* Palette::showAllNotesAction() const
{
    return m_ui->showAllNotesAction;
}

QAction* Palette::remindersAction() const
{
    return m_ui->remindersAction;
}

QAction* Palette::quitAction() const
{
    return m_ui->quitAction;
}

void Palette::takeSwatchColor(Swatch* swatch)
{
    m_selectedColor = swatch->colorValue();
}

void Palette::armDragOut(Swatch* swatch, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    m_selectedColor = swatch->colorValue();
    m_dragArmed = true;
}

// One arming makes one note, however often the cursor leaves a swatch afterwards.
void Palette::leaveSwatch()
{
    if (!m_dragArmed)
        return;
    m_dragArmed = false;
    Q_EMIT noteDrawnOut(m_selectedColor);
}

void Palette::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Q_EMIT closeRequested();
}

// The palette is a tool of the desktop, not a task: no taskbar button, shown or not.
void Palette::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        keepOutOfTaskbar(this);
}

void Palette::contextMenuEvent(QContextMenuEvent* event)
{
    m_menu->popup(event->globalPos());
}

// The whole surface outside the swatches drags the palette; the program moves it itself. A move
// handed to the window manager at the press outlives a quick click, and the manager then holds the
// keyboard waiting for its end, so a click would never give the palette the keys.
void Palette::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressedAt = event->globalPosition().toPoint();
    m_dragOffset = m_pressedAt - pos();
    m_moving = false;
}

void Palette::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragOffset || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->globalPosition().toPoint();
    // A click is no drag: a hand that shakes a little leaves the palette where it is.
    if (!m_moving && (at - m_pressedAt).manhattanLength() < QApplication::startDragDistance())
        return;
    m_moving = true;
    move(at - *m_dragOffset);
}

void Palette::mouseReleaseEvent(QMouseEvent*)
{
    m_dragOffset.reset();
    m_moving = false;
}
