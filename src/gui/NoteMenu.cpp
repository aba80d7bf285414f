#include "gui/NoteMenu.h"

#include "gui/ColorValue.h"
#include "gui/ErrorReport.h"
#include "gui/NoteAppearance.h"
#include "gui/NoteColors.h"
#include "gui/NoteCommands.h"
#include "gui/NoteEditor.h"

#include <QIcon>
#include <QMenu>
#include <QPixmap>

#include <utility>

NoteMenu::NoteMenu(NoteCommands& note, ErrorReport& report) : m_note(note), m_report(report) {}

void NoteMenu::popup(const QPoint& globalPos)
{
    addMoreCommands();
    m_note.menu()->popup(globalPos);
}

void NoteMenu::addMoreCommands()
{
    if (m_complete)
        return;
    m_complete = true;
    NoteCommands* note = &m_note;
    ErrorReport& report = m_report;
    // The note's menu, which goes with the note, is the context of every connection made here.
    QMenu* menu = note->menu();
    menu->addSeparator();
    QMenu* size = menu->addMenu(tr("文字の大きさ"));
    size->setObjectName(QStringLiteral("zoomMenu"));
    const auto add = [menu, &report](QMenu* to, const QString& text, const QKeySequence& keys, auto&& slot) {
        QAction* action = to->addAction(text);
        action->setShortcut(keys);
        // The keys themselves are the editor's; the menu only names them.
        action->setShortcutContext(Qt::WidgetShortcut);
        QObject::connect(action, &QAction::triggered, menu, guarded(report, slot));
        return action;
    };
    add(size, tr("拡大(&I)"), QKeySequence(Qt::CTRL | Qt::Key_Plus), [note] { note->zoomBy(1); });
    add(size, tr("縮小(&O)"), QKeySequence(Qt::CTRL | Qt::Key_Minus), [note] { note->zoomBy(-1); });
    add(size, tr("標準の大きさ(&0)"), QKeySequence(Qt::CTRL | Qt::Key_0),
        [note] { note->setZoom(NoteLook::DefaultZoom); });
    size->addSeparator();
    for (int percent : NoteAppearance::zoomSteps()) {
        QAction* step = add(size, QStringLiteral("%1 %").arg(percent), {}, [note, percent] { note->setZoom(percent); });
        step->setCheckable(true);
        QObject::connect(size, &QMenu::aboutToShow, step,
                         [note, step, percent] { step->setChecked(note->look().zoom == percent); });
    }
    QAction* onTop = menu->addAction(tr("常に手前に表示(&T)"));
    onTop->setObjectName(QStringLiteral("onTopAction"));
    onTop->setCheckable(true);
    QObject::connect(menu, &QMenu::aboutToShow, onTop, [note, onTop] { onTop->setChecked(note->look().onTop); });
    QObject::connect(onTop, &QAction::triggered, menu,
                     [note, &report](bool on) { runGuarded(report, [&] { note->setOnTop(on); }); });
    QMenu* colors = menu->addMenu(tr("色"));
    colors->setObjectName(QStringLiteral("colorMenu"));
    for (const auto& [name, value] : NoteColors) {
        QPixmap swatch(16, 16);
        swatch.fill(colorFromValue(value));
        QAction* color = colors->addAction(QIcon(swatch), tr(name));
        color->setCheckable(true);
        QObject::connect(colors, &QMenu::aboutToShow, color,
                         [note, color, value] { color->setChecked(note->color() == value); });
        QObject::connect(color, &QAction::triggered, menu,
                         guarded(report, [note, value] { note->changeColor(value); }));
    }
    menu->addSeparator();
    // The editor is built only when one of its commands is chosen.
    add(menu, tr("切り取り"), QKeySequence::Cut, [note] { note->editor()->cut(); });
    add(menu, tr("コピー"), QKeySequence::Copy, [note] { note->editor()->copy(); });
    add(menu, tr("貼り付け"), QKeySequence::Paste, [note] { note->editor()->paste(); });
    add(menu, tr("すべて選択"), QKeySequence::SelectAll, [note] { note->editor()->selectAll(); });
}
