#pragma once

#include "store/NoteRecord.h"

#include <QDate>
#include <QList>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

class QLabel;
class QMenu;
class QTimer;
class TDesktop;
class TNoteStore;
class TRichEdit;
namespace Ui {
class frmDaviv;
}

// Whether what the user sees of a note is in the store.
enum class TSaveState {
    Stored,  // the last save went through and nothing changed since
    Pending, // changed; the delayed save will store it
    Failed,  // the last save failed; it is tried again until one goes through
};

// One sticky note: a borderless, semi-transparent window in the note's colour that saves its
// record to its row whenever it moves, whenever the pointer leaves its editor, about a second
// after the user stops typing, and when it loses the focus.
class TfrmDaviv : public QWidget {
    Q_OBJECT

public:
    static constexpr int DefaultAlpha = 200;
    static constexpr int HalfAlpha = 125;
    static constexpr int DesignWidth = 271;
    static constexpr int DesignHeight = 71;
    // How long after the last keystroke or resize step the note is saved.
    static constexpr int SaveDelayMs = 1000;

    // Built hidden; owner destroys it (a top-level window of its own, not hidden with the owner).
    TfrmDaviv(TDesktop& desktop, const TNoteStore& store, QWidget* owner);
    ~TfrmDaviv() override;

    // The note record. A save never raises: its outcome is the save state. With a lock wait,
    // a store another process holds is waited for that long.
    void SaveNote(int lockWaitMs = 0);
    // Closes the window for good without saving it again: its row is being removed.
    void Discard();
    TSaveState SaveState() const { return FSaveState; }
    // Why the last save failed, in the user's words; empty once a save went through.
    const QString& SaveError() const { return FSaveError; }
    // How the last successful save found the note's row, until the caller takes it.
    std::optional<TNoteSaveResult::TWay> TakeRowChange() { return std::exchange(FRowChange, std::nullopt); }
    // Binds the note to a row whose stored bytes are known.
    void SetNoteRow(qint32 id, const TRowImage& image);
    // Gives a new note its row; when the store cannot take it, the note is saved as soon as it can.
    void AddRow();
    // Fills the window from a stored row, as a creator does before the first show. A stored
    // size too small to show the note gives the size of a new note.
    void SetRecord(const TStoredNote& note);
    // Shows the note on the nearest screen while too little of its date strip lies on any at
    // the place the user gave it, and back at that place once enough does; true when it moved.
    // That place stays what its saves write until the user moves or resizes the note.
    bool KeepReachable();
    // Shows the hidden note again, within reach; an ended note that faded to nothing comes back
    // as an open note at the default transparency.
    void ShowAgain();
    // Where the note shows: the place the user gave it, or where it is kept within reach.
    QRect Bounds() const { return FBounds; }
    // What a save writes now: the record, the window's place, size, colour and text.
    TNoteValues CurrentValues() const;
    void SetToday();
    void SetNoteDate(const QDate& date);
    void SetNoteId(qint32 id);
    void SetTermFlag(bool term);
    void SetVisibleFlag(bool visible);
    QDate NoteDate() const { return FNoteDate; }
    qint32 NoteId() const { return FNoteId; }
    bool TermFlag() const { return FTermFlag; }
    bool VisibleFlag() const { return FVisibleFlag; }

    // What creators set before the first show. The bounds are the place the user gave the note.
    void SetBounds(int left, int top, int width, int height);
    void SetColor(quint32 color); // window and date strip, 0x00BBGGRR
    quint32 Color() const { return FColor; }
    void SetMemoColor(quint32 color);   // the editor's background
    void SetAlphaBlendValue(int alpha); // 0..255, whole-window opacity
    int AlphaBlendValue() const { return FAlpha; }
    // The editor's whole text; line breaks may be CR LF, LF or CR.
    void SetMemoText(const QString& text);
    // The editor's lines, each followed by CR LF; lines made only by wrapping do not count.
    QString MemoText() const;

    void setVisible(bool visible) override;

    TRichEdit* RichEdMemo() const;
    QLabel* Label1() const;
    QMenu* PopupMenu1() const { return FPopupMenu1; }

    // The context menu's commands.
    void btnHideClick();
    void H2Click();
    void E1Click();
    bool TaskEnding() const { return FTaskEnding; }

    // The transparencies a task-end fade steps through, from the given start.
    static QList<int> FadeSteps(int from);

    // How the note is shown beyond its row: its text size and whether it stays on top. Set by
    // creators before the first show, changed from the note's menu and keys and stored at once.
    void SetLook(const TNoteLook& look);
    const TNoteLook& Look() const { return FLook; }
    // The text sizes, in percent, that zooming steps through.
    static const QList<int>& ZoomSteps();
    void ZoomBy(int steps);
    void SetZoom(int percent);
    void SetOnTop(bool onTop);
    // A new colour from the note's menu, stored with the note.
    void ChangeColor(quint32 color);
    // The note's menu beyond its three commands, made the first time the menu opens.
    void AddMoreCommands();

Q_SIGNALS:
    // The fade is over, the window hidden and the ended record written.
    void TaskEnded();
    // A save went through.
    void Saved();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void RichEdMemoLinkPressed(int start, int end);
    void FadeStep();
    void WriteEndedRecord();
    void Store(bool ended, int lockWaitMs = 0);
    void SetSaveState(TSaveState state, const QString& error = {});
    void Changed();
    void PlaceUnsavedMark();
    void ApplyLook();
    void StoreLook();
    void WatchPlaces();
    void PlaceReported(std::optional<QPoint> place, QSize size);
    void BoundsChanged(const QRect& before);
    void ReassertBounds();
    int DateStripWidth() const;

    TDesktop& FDesktop;
    const TNoteStore& FStore;
    std::unique_ptr<Ui::frmDaviv> ui;
    QMenu* FPopupMenu1 = nullptr;
    quint32 FColor = 0xFFFFFF;
    int FAlpha = DefaultAlpha;
    bool FTaskEnding = false;
    QTimer* FFadeTimer = nullptr;
    QList<int> FFadeSteps;
    qsizetype FFadeIndex = 0;

    // A move or resize of our own, where the window system does not do it.
    bool FDragging = false;
    Qt::Edges FDragEdges;
    QPoint FDragStart;
    QRect FDragGeometry;
    // The note's place and size: its window's client area on the desktop (a note is frameless,
    // so a window manager's frame around it is no part of it). Every save writes this, never
    // Qt's geometry() or frameGeometry(). It changes only through SetBounds, the note's own
    // drag, and what the window system says: on X11 the X events themselves, elsewhere Qt's
    // move and resize events.
    QRect FBounds;
    // Where the user put the note, while it shows elsewhere because too little of it could be
    // reached there: what its saves write until the user moves or resizes it.
    std::optional<QRect> FUserBounds;
    // The window system moves or resizes the note for the user's hand: a press on its date
    // strip or its frame was handed over to it. Only that moves a note shown out of its place.
    bool FMovingByHand = false;
    // The native window that the last show found; showing may make a new one.
    WId FShownWinId = 0;

    QTimer* FSaveTimer = nullptr;
    TSaveState FSaveState = TSaveState::Stored;
    QString FSaveError;
    // The row's bytes as this window last read or wrote them; nothing when not known.
    std::optional<TRowImage> FRowImage;
    // The editor's text as the note bytes of FRowImage gave it: while the editor holds just
    // that, a save writes those bytes again.
    QString FStoredText;
    // A note whose row could not be made gets one at its next save.
    bool FRowWanted = false;
    bool FDiscarded = false;
    std::optional<TNoteSaveResult::TWay> FRowChange;
    QLabel* FUnsavedMark = nullptr;
    // Set while a creator fills the editor: that is no change of the user's.
    bool FSettingText = false;

    TNoteLook FLook;
    bool FMoreCommands = false;

    QDate FNoteDate;
    qint32 FNoteId = 0;
    bool FTermFlag = false;
    bool FVisibleFlag = false;
};

// The template note window: never shown; every save writes its transparency.
extern TfrmDaviv* frmDaviv;
