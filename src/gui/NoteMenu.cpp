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

namespace {

const char SharedMenuName[] = "noteMenu";

} // namespace

NoteMenu* NoteMenu::of(QWidget* owner, ErrorReport& report)
{
    if (auto* shared = owner->findChild<NoteMenu*>(QLatin1String(SharedMenuName), Qt::FindDirectChildrenOnly))
        return shared;
    return new NoteMenu(owner, report);
}

NoteMenu::NoteMenu(QWidget* owner, ErrorReport& report) : QObject(owner), m_report(report)
{
    setObjectName(QLatin1String(SharedMenuName));
    // A popup window of its own, never shown inside the owner; gone with this object.
    m_menu = new QMenu(owner);
    m_menu->setObjectName(QStringLiteral("noteContextMenu"));
    build();
}

NoteMenu::~NoteMenu() = default;

void NoteMenu::popup(NoteCommands& note, QWidget* noteWindow, const QList<QAction*>& noteActions,
                     const QPoint& globalPos)
{
    // The last note's actions go; this note's take their places.
    for (const QPointer<QAction>& action : std::as_const(m_noteActions))
        if (action) {
            m_showMenu->removeAction(action);
            m_menu->removeAction(action);
        }
    m_noteActions.clear();
    for (QAction* action : noteActions)
        m_noteActions << action;
    m_note = &note;
    m_noteWindow = noteWindow;
    if (noteActions.size() == 3) {
        m_showMenu->addActions({noteActions[0], noteActions[1]});
        m_menu->insertAction(m_afterNoteActions, noteActions[2]);
    }
    m_menu->popup(globalPos);
}

void NoteMenu::build()
{
    QMenu* menu = m_menu;
    ErrorReport& report = m_report;
    m_showMenu = menu->addMenu(tr("表示"));
    m_showMenu->setObjectName(QStringLiteral("showMenu"));
    m_afterNoteActions = menu->addSeparator();
    QMenu* size = menu->addMenu(tr("文字の大きさ"));
    size->setObjectName(QStringLiteral("zoomMenu"));
    // Each command acts on the note the menu was opened on, while that note is still there.
    const auto onNote = [this](auto&& work) {
        return [this, work] {
            if (NoteCommands* note = this->note())
                work(note);
        };
    };
    const auto add = [menu, &report](QMenu* to, const QString& text, const QKeySequence& keys, auto&& slot) {
        QAction* action = to->addAction(text);
        action->setShortcut(keys);
        // The keys themselves are the editor's; the menu only names them.
        action->setShortcutContext(Qt::WidgetShortcut);
        QObject::connect(action, &QAction::triggered, menu, guarded(report, slot));
        return action;
    };
    add(size, tr("拡大(&I)"), QKeySequence(Qt::CTRL | Qt::Key_Plus), onNote([](NoteCommands* n) { n->zoomBy(1); }));
    add(size, tr("縮小(&O)"), QKeySequence(Qt::CTRL | Qt::Key_Minus), onNote([](NoteCommands* n) { n->zoomBy(-1); }));
    add(size, tr("標準の大きさ(&0)"), QKeySequence(Qt::CTRL | Qt::Key_0),
        onNote([](NoteCommands* n) { n->setZoom(NoteLook::DefaultZoom); }));
    size->addSeparator();
    for (int percent : NoteAppearance::zoomSteps()) {
        QAction* step = add(size, QStringLiteral("%1 %").arg(percent), {},
                            onNote([percent](NoteCommands* n) { n->setZoom(percent); }));
        step->setCheckable(true);
        QObject::connect(size, &QMenu::aboutToShow, step,
                         [this, step, percent] { step->setChecked(note() && note()->look().zoom == percent); });
    }
    QAction* onTop = menu->addAction(tr("常に手前に表示(&T)"));
    onTop->setObjectName(QStringLiteral("onTopAction"));
    onTop->setCheckable(true);
    QObject::connect(menu, &QMenu::aboutToShow, onTop,
                     [this, onTop] { onTop->setChecked(note() && note()->look().onTop); });
    QObject::connect(onTop, &QAction::triggered, menu, [this, &report](bool on) {
        runGuarded(report, [&] {
            if (NoteCommands* n = note())
                n->setOnTop(on);
        });
    });
    QMenu* colors = menu->addMenu(tr("色"));
    colors->setObjectName(QStringLiteral("colorMenu"));
    for (const auto& [name, value] : NoteColors) {
        QPixmap swatch(16, 16);
        swatch.fill(colorFromValue(value));
        QAction* color = colors->addAction(QIcon(swatch), tr(name));
        color->setCheckable(true);
        QObject::connect(colors, &QMenu::aboutToShow, color,
                         [this, color, value] { color->setChecked(note() && note()->color() == value); });
        QObject::connect(color, &QAction::triggered, menu,
                         guarded(report, onNote([value](NoteCommands* n) { n->changeColor(value); })));
    }
    menu->addSeparator();
    // The editor is built only when one of its commands is chosen.
    add(menu, tr("切り取り"), QKeySequence::Cut, onNote([](NoteCommands* n) { n->editor()->cut(); }));
    add(menu, tr("コピー"), QKeySequence::Copy, onNote([](NoteCommands* n) { n->editor()->copy(); }));
    add(menu, tr("貼り付け"), QKeySequence::Paste, onNote([](NoteCommands* n) { n->editor()->paste(); }));
    add(menu, tr("すべて選択"), QKeySequence::SelectAll, onNote([](NoteCommands* n) { n->editor()->selectAll(); }));
}
