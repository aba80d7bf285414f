#include "gui/Tray.h"

#include "gui/AppIcon.h"
#include "gui/BalloonPopup.h"
#include "gui/ErrorReport.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>

namespace {

// The icon's tooltip, a fixed word users know the program's icon by; the save state is added
// below it while notes wait to be stored.
const char TrayHint[] = "RIdozad";

} // namespace

Tray::Tray(QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>()), m_icon(std::make_unique<QSystemTrayIcon>())
{
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    QAction* showPalette = m_menu->addAction(tr("表示(&V)"));
    showPalette->setObjectName(QStringLiteral("showPaletteAction"));
    showPalette->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
    m_quit = m_menu->addAction(tr("終了(&E)"));
    m_quit->setObjectName(QStringLiteral("trayQuitAction"));
    m_quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
    // A new note from anywhere, without finding the palette first.
    m_menu->addSeparator();
    QAction* newNote = m_menu->addAction(tr("新しい付箋(&N)"));
    newNote->setObjectName(QStringLiteral("newNoteAction"));
    // The palette's two windows, within reach without finding a corner first.
    m_noteList = m_menu->addAction(tr("付箋一覧(&L)"));
    m_noteList->setObjectName(QStringLiteral("trayNoteListAction"));
    m_reminders = m_menu->addAction(tr("バルーンメッセージ(&B)"));
    m_reminders->setObjectName(QStringLiteral("trayRemindersAction"));
    // The daily copies of the store: their folder, and going back to one of them.
    m_menu->addSeparator();
    m_openBackupFolder = m_menu->addAction(tr("バックアップを開く(&O)"));
    m_openBackupFolder->setObjectName(QStringLiteral("openBackupFolderAction"));
    m_restoreBackup = m_menu->addAction(tr("バックアップから戻す..."));
    m_restoreBackup->setObjectName(QStringLiteral("restoreBackupAction"));
    // The same notes on every PC of the user's, through a folder their own sync tool keeps in step.
    m_syncFolder = m_menu->addAction(tr("同期フォルダ..."));
    m_syncFolder->setObjectName(QStringLiteral("syncFolderAction"));
    connect(showPalette, &QAction::triggered, this, &Tray::showPaletteRequested);
    connect(newNote, &QAction::triggered, this, &Tray::newNoteRequested);

    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_icon->setIcon(programIcon());
    m_icon->setToolTip(QString::fromLatin1(TrayHint));
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            clearReminderMark();
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT showPaletteRequested();
        else if (reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT newNoteRequested();
    });
    connect(m_icon.get(), &QSystemTrayIcon::messageClicked, this, &Tray::clearReminderMark);
    m_trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    m_icon->show();
}

Tray::~Tray() = default;

BalloonPopup* Tray::popup() const
{
    if (!m_popup)
        m_popup = std::make_unique<BalloonPopup>();
    return m_popup.get();
}

bool Tray::docked() const
{
    return m_trayAvailable && m_icon->geometry().isValid() && !m_icon->geometry().isEmpty();
}

bool Tray::canShowMessages() const
{
    return m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages();
}

void Tray::showReminders(const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    // However many fell due at once, the balloon stays on its screen. The system's own balloon
    // is measured as ours: its font and width are not known here.
    m_balloonText = popup()->fittingText(texts, balloonArea());
    showBalloon();
    m_reminderMarked = true;
    showMarks();
}

QRect Tray::balloonArea() const
{
    // Our popup shows on the primary screen; the system's balloon by the icon.
    const QScreen* screen = canShowMessages() ? QGuiApplication::screenAt(m_icon->geometry().center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void Tray::showBalloon()
{
    if (canShowMessages())
        m_icon->showMessage(QString(), m_balloonText, QSystemTrayIcon::Information, BalloonTimeoutMs);
    else
        popup()->showText(m_balloonText, BalloonTimeoutMs);
    Q_EMIT balloonShown(m_balloonText);
}

void Tray::clearBalloonOver(const QRect& area)
{
    if (m_popup && m_popup->isVisible() && m_popup->geometry().intersects(area))
        m_popup->hide();
    // The system's balloon tells no place; it lies by the icon, at most about this far from it.
    const QRect icon = m_icon->geometry();
    if (canShowMessages() && icon.isValid() && icon.adjusted(-460, -220, 460, 220).intersects(area))
        m_icon->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
}

void Tray::notify(const QString& text)
{
    if (canShowMessages())
        m_icon->showMessage(applicationTitle(), text, QSystemTrayIcon::Warning, BalloonTimeoutMs);
    else
        popup()->showText(text, BalloonTimeoutMs);
    Q_EMIT notified(text);
}

void Tray::showHint(const QString& text)
{
    if (docked() && QSystemTrayIcon::supportsMessages())
        m_icon->showMessage(applicationTitle(), text, QSystemTrayIcon::Information, HintTimeoutMs);
    else
        popup()->showText(text, HintTimeoutMs);
}

void Tray::showSaveState(const QString& waiting)
{
    const QString tip =
        waiting.isEmpty() ? QString::fromLatin1(TrayHint) : QString::fromLatin1(TrayHint) + QLatin1Char('\n') + waiting;
    if (m_icon->toolTip() == tip)
        return;
    m_icon->setToolTip(tip);
    m_unsaved = !waiting.isEmpty();
    showMarks();
}

void Tray::clearReminderMark()
{
    if (!m_reminderMarked)
        return;
    m_reminderMarked = false;
    showMarks();
}

void Tray::showMarks()
{
    m_icon->setIcon(programIconWithMarks(m_unsaved, m_reminderMarked));
}

void Tray::trackTray()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !m_trayAvailable) {
        m_icon->hide();
        m_icon->show();
    }
    m_trayAvailable = available;
}
