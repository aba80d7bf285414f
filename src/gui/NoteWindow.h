#pragma once

#include "core/NoteSaver.h"
#include "core/NoteTypes.h"
#include "core/OpenNote.h"
#include "gui/NoteCommands.h"

#include <QDate>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

class QLabel;
class QMenu;
class NoteMenu;
class QTimer;
class Desktop;
class ErrorReport;
class NoteAppearance;
class NoteEditor;
class NotePlacement;
class NoteStore;
class NoteTextView;
class TaskEndFade;
class UnsavedMark;
namespace Ui {
class NoteWindow;
}

// One sticky note: a borderless, semi-transparent window in the note's colour that saves its
// record to its row whenever it moves, whenever the pointer leaves its editor, about a second
// after the user stops typing, and when it loses the focus. NoteRegistry::open makes it.
class NoteWindow : public QWidget, public NoteCommands, public OpenNote {
    Q_OBJECT

public:
    static constexpr int DefaultAlpha = 200;
    static constexpr int HalfAlpha = 125;
    static constexpr int DesignWidth = 271;
    static constexpr int DesignHeight = 71;
    // How long after the last keystroke or resize step the note is saved.
    static constexpr int SaveDelayMs = 1000;

    // Built hidden; owner destroys it (a top-level window of its own, not hidden with the owner).
    NoteWindow(Desktop& desktop, const NoteStore& store, ErrorReport& report, QWidget* owner);
    ~NoteWindow() override;

    // Takes the note to show, before the first show: its record (the place is the one the user
    // gave it; line breaks may be CR LF, LF or CR), its row's bytes when they are known (without
    // them the note owns any row of its id; without an id it has no row yet), and its look. A
    // stored size too small to show the note gives the size of a new note.
    void take(const Note& note, const std::optional<RowImage>& row, const NoteLook& look);
    // Gives a new note its row; when the store cannot take it, the note is saved as soon as it can.
    void addRow();
    // Marks its row open again, as the note shows; when the store cannot take that, the note is
    // saved as it is.
    void reopenRow();
    // Stores how the note is shown, for a note that came to its row under another id.
    void storeLook();

    // The note record. A save never raises: its outcome is the save state. With a lock wait,
    // a store another process holds is waited for that long.
    void saveNote(int lockWaitMs = 0);
    // The note as the rules that save every note see it.
    NoteSaver& saver() override { return m_saver; }
    Note snapshot() const override { return currentNote(); }
    void save(int lockWaitMs) override { saveNote(lockWaitMs); }
    // Closes the window for good without saving it again: its row is being removed.
    void discard();
    SaveState saveState() const { return m_saver.state(); }
    // Why the last save failed, in the user's words; empty once a save went through.
    QString saveError() const;
    // Shows the note on the nearest screen while too little of its date strip lies on any at
    // the place the user gave it, and back at that place once enough does; true when it moved.
    // That place stays what its saves write until the user moves or resizes the note.
    bool keepReachable();
    // Shows the hidden note again, within reach; an ended note that faded to nothing comes back
    // as an open note at the default transparency.
    void showAgain();
    // Where the note shows: the place the user gave it, or where it is kept within reach.
    QRect bounds() const;
    // What a save writes now: the record, the window's place, size, colour and text.
    Note currentNote() const;
    // The note's date, on its strip.
    void setNoteDate(const QDate& date);
    QDate noteDate() const { return m_noteDate; }
    qint32 noteId() const { return m_saver.id(); }
    // Open: shown, or hidden to come back at the next start; an ended note is not.
    bool isOpen() const { return m_isOpen; }
    bool visibleFlag() const { return m_visibleFlag; }

    quint32 color() const override; // window and date strip, 0x00BBGGRR
    int alpha() const { return m_alpha; }
    // The note's whole text; line breaks may be CR LF, LF or CR.
    void setText(const QString& text);
    // The note's lines, each followed by CR LF; lines made only by wrapping do not count.
    QString text() const;

    void setVisible(bool visible) override;

    // The editor, built when first asked for: until the user clicks into the note, it takes the
    // keys or a command edits, its text shows in a view that only paints it.
    NoteEditor* editor() override;
    bool hasEditor() const { return m_editor != nullptr; }
    QLabel* dateLabel() const;
    // The context menu the notes share.
    QMenu* menu() const;

    // The context menu's commands.
    void hideNote();
    void makeHalfTransparent();
    // Ends the note: it fades out, hides and is stored as ended, which taskEnded() tells.
    // A note whose fade has begun ends at once, as the fade would have ended it: the program is
    // about to destroy its window.
    void endNow();
    void endTask();
    bool isEnding() const;

    // How the note is shown beyond its row: its text size and whether it stays on top. Changed
    // from the note's menu and keys and stored at once.
    const NoteLook& look() const override { return m_saver.look(); }
    void zoomBy(int steps) override;
    void setZoom(int percent) override;
    void setOnTop(bool onTop) override;
    // A new colour from the note's menu, stored with the note.
    void changeColor(quint32 color) override;

Q_SIGNALS:
    // The fade is over, the window hidden and the ended record written.
    void taskEnded();
    // A save went through.
    void saved();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    NoteMenu* sharedMenu() const;
    void setColor(quint32 color);
    void setAlpha(int alpha); // 0..255, whole-window opacity
    void setLook(const NoteLook& look);
    void openLink(int start, int end);
    void buildEditor();
    // A click into the note's text before its editor was built: the caret goes there.
    void clickText(int position);
    void finishTask();
    void store(SaveKind kind, int lockWaitMs = 0);
    // Shows the save state: the unsaved mark while a save failed.
    void showSaveState();
    void markChanged();
    int dateStripWidth() const;

    Desktop& m_desktop;
    ErrorReport& m_report;
    std::unique_ptr<Ui::NoteWindow> m_ui;
    // The note's text shows in the view until the editor is built; then the view goes.
    NoteTextView* m_view = nullptr;
    NoteEditor* m_editor = nullptr;
    // Every save writes the place the user gave the note, never Qt's geometry().
    std::unique_ptr<NotePlacement> m_placement;
    std::unique_ptr<NoteAppearance> m_appearance;
    TaskEndFade* m_fade = nullptr;
    int m_alpha = DefaultAlpha;

    QTimer* m_saveTimer = nullptr;
    NoteSaver m_saver;
    UnsavedMark* m_unsavedMark = nullptr;
    // Set while a creator fills the editor: that is no change of the user's.
    bool m_settingText = false;

    QDate m_noteDate;
    bool m_isOpen = false;
    bool m_visibleFlag = false;
};
