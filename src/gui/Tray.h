#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

class BalloonPopup;
class QAction;
class QMenu;
class QSystemTrayIcon;

// The program's tray icon and its menu, and what the program tells the user there: reminder
// balloons, notices about saving and backups, hints. Where no tray can show a balloon, a popup of
// the program's own stands in.
class Tray : public QObject {
    Q_OBJECT

public:
    static constexpr int BalloonTimeoutMs = 10000;
    static constexpr int HintTimeoutMs = 20000;

    explicit Tray(QObject* parent = nullptr);
    ~Tray() override;

    QSystemTrayIcon* icon() const { return m_icon.get(); }
    QMenu* menu() const { return m_menu.get(); }
    QAction* quitAction() const { return m_quit; }
    QAction* openBackupFolderAction() const { return m_openBackupFolder; }
    QAction* restoreBackupAction() const { return m_restoreBackup; }
    QAction* syncFolderAction() const { return m_syncFolder; }
    QAction* noteListAction() const { return m_noteList; }
    QAction* remindersAction() const { return m_reminders; }
    // Our own balloon, made the first time one is shown or measured.
    BalloonPopup* popup() const;
    // Whether the icon sits in a tray now, where a balloon points at it.
    bool docked() const;

    // The balloon text the icon keeps: "???" until a reminder is shown, then the last reminders.
    QString balloonText() const { return m_balloonText; }
    // Reminders due together: one balloon, a line each, as many as the screen holds.
    void showReminders(const QStringList& texts);
    // Shows the kept balloon text again.
    void showBalloon();
    // Takes a balloon away that lies over, or may lie over, the given area of the screen.
    void clearBalloonOver(const QRect& area);
    // A notice the user must not miss, without a modal box.
    void notify(const QString& text);
    void showHint(const QString& text);
    // The tooltip and icon say whether anything waits to be stored.
    void showSaveState(const QString& waiting);
    // A reminder shown in a balloon marks the icon until the user clicks it or opens the reminders:
    // the balloon goes after a few seconds, and a user who was away would never know.
    bool reminderMarked() const { return m_reminderMarked; }
    void clearReminderMark();
    // A tray that appears after start (late at log-in, or restarted) gets the icon again.
    void trackTray();

Q_SIGNALS:
    void showPaletteRequested();
    void newNoteRequested();
    // A reminder balloon was shown with this text.
    void balloonShown(const QString& text);
    // The user was told something without a modal box.
    void notified(const QString& text);

private:
    bool canShowMessages() const;
    void showMarks();
    // The screen area a reminder balloon shows on.
    QRect balloonArea() const;

    // The menu and the popup are windows of their own: no widget parent takes them along. The
    // icon goes first, while its menu still exists. Most runs never show the popup.
    std::unique_ptr<QMenu> m_menu;
    mutable std::unique_ptr<BalloonPopup> m_popup;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QAction* m_quit;
    QAction* m_openBackupFolder;
    QAction* m_syncFolder = nullptr;
    QAction* m_restoreBackup;
    QAction* m_noteList;
    QAction* m_reminders;
    QString m_balloonText = QStringLiteral("???");
    bool m_trayAvailable = false;
    bool m_unsaved = false;
    bool m_reminderMarked = false;
};
