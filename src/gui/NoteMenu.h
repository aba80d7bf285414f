#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class ErrorReport;
class NoteCommands;
class QAction;
class QMenu;
class QPoint;
class QWidget;

// One context menu for all the notes of an owner, built the first time any of them opens it (a
// menu per note cost each note about 10 KB, and few menus are ever opened), pointed at the note
// it opens on: that note's own 表示 and タスク終了 actions, whose keys work without the menu, then
// the text size, staying on top, the colour and the editor's own commands.
class NoteMenu : public QObject {
    Q_OBJECT

public:
    // The menu the notes of this owner share; made when first asked for, gone with the owner.
    static NoteMenu* of(QWidget* owner, ErrorReport& report);
    ~NoteMenu() override;

    // Opens the menu for a note at a point on the desktop. The note's actions: 非表示, 半透明,
    // タスク終了.
    void popup(NoteCommands& note, QWidget* noteWindow, const QList<QAction*>& noteActions, const QPoint& globalPos);
    QMenu* menu() const { return m_menu; }

private:
    NoteMenu(QWidget* owner, ErrorReport& report);
    void build();
    // The note the menu was last opened on, while its window lives.
    NoteCommands* note() const { return m_noteWindow ? m_note : nullptr; }

    ErrorReport& m_report;
    QMenu* m_menu = nullptr;
    QMenu* m_showMenu = nullptr;
    QAction* m_afterNoteActions = nullptr;
    NoteCommands* m_note = nullptr;
    QPointer<QWidget> m_noteWindow;
    QList<QPointer<QAction>> m_noteActions;
};
