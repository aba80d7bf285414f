#pragma once

#include "core/StoreRecovery.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

namespace Ui {
class RestoreBackupDialog;
}
class BackupChecks;

// Lists the copies of the store, newest first, and asks before going back to the one chosen.
// The list shows at once from the copies' names; each copy is checked and counted on another
// thread, and only one found usable can be chosen. One that cannot be used is listed, greyed, with
// the reason.
class RestoreBackupDialog : public QDialog {
    Q_OBJECT

public:
    explicit RestoreBackupDialog(QList<BackupEntry> backups, QWidget* parent = nullptr);
    ~RestoreBackupDialog() override;

    // The copy chosen and confirmed; none before that.
    const BackupEntry* chosen() const;

    // Closes the dialog with the selected copy once the user has confirmed it.
    void accept() override;

    // How a copy is named to the user: its date, and the time for a copy kept before a restore.
    static QString captionOf(const BackupCopy& copy);

private:
    const BackupEntry* selected() const;
    void showCheck(int index, const BackupCheck& check);
    bool confirm(const QString& question);

    std::unique_ptr<Ui::RestoreBackupDialog> m_ui;
    QList<BackupEntry> m_backups;
    std::unique_ptr<BackupChecks> m_checks;
    int m_chosen = -1;
};
