#pragma once

#include "StoreRecovery.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

namespace Ui {
class RestoreBackupDialog;
}

// Lists the copies of the store, newest first, and asks before going back to the one chosen.
// A damaged copy is listed, marked, and cannot be chosen.
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

    std::unique_ptr<Ui::RestoreBackupDialog> m_ui;
    QList<BackupEntry> m_backups;
    int m_chosen = -1;
};
