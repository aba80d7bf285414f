#pragma once

#include <QCoreApplication>
#include <QPoint>

class ErrorReport;
class NoteCommands;

// A note's context menu: the three commands of the note's form and, added the first time it
// opens (start-up builds every note, and few menus are ever opened), the text size, staying on
// top, the colour and the editor's own commands.
class NoteMenu {
    Q_DECLARE_TR_FUNCTIONS(NoteMenu)

public:
    NoteMenu(NoteCommands& note, ErrorReport& report);

    // Opens the whole menu at a point on the desktop.
    void popup(const QPoint& globalPos);

private:
    void addMoreCommands();

    NoteCommands& m_note;
    ErrorReport& m_report;
    bool m_complete = false;
};
