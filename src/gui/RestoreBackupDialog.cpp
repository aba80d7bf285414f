#include "RestoreBackupDialog.h"
#include "ui_RestoreBackupDialog.h"

#include "StoreText.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidgetItem>

RestoreBackupDialog::RestoreBackupDialog(QList<BackupEntry> backups, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::RestoreBackupDialog>()), m_backups(std::move(backups))
{
    m_ui->setupUi(this);
    if (m_backups.isEmpty())
        m_ui->hint->setText(QStringLiteral("バックアップはまだありません。"));
    for (qsizetype i = 0; i < m_backups.size(); ++i) {
        const BackupEntry& entry = m_backups[i];
        const QString notes = entry.notes < 0 ? QStringLiteral("?") : QStringLiteral("%1 枚").arg(entry.notes);
        QString remark;
        if (!entry.sound)
            remark = QStringLiteral("壊れています");
        else if (entry.copy.keptBeforeRestore)
            remark = QStringLiteral("戻す前の付箋");
        auto* item = new QTreeWidgetItem(m_ui->backupList, {captionOf(entry.copy), notes, remark});
        item->setData(0, Qt::UserRole, int(i));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        // The newest copy that can be used is chosen to begin with.
        if (!entry.sound)
            item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        else if (!m_ui->backupList->currentItem())
            m_ui->backupList->setCurrentItem(item);
    }
    m_ui->backupList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ui->restoreButton->setEnabled(selected() != nullptr);
    connect(m_ui->backupList, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_ui->restoreButton->setEnabled(selected() != nullptr); });
    connect(m_ui->backupList, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (selected())
            accept();
    });
}

RestoreBackupDialog::~RestoreBackupDialog() = default;

QString RestoreBackupDialog::captionOf(const BackupCopy& copy)
{
    const QString day = formatStoreDate(copy.day);
    return copy.keptBeforeRestore ? day + QLatin1Char(' ') + formatStoreTime(copy.time) : day;
}

const BackupEntry* RestoreBackupDialog::selected() const
{
    const QList<QTreeWidgetItem*> items = m_ui->backupList->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const BackupEntry& entry = m_backups[items.first()->data(0, Qt::UserRole).toInt()];
    return entry.sound ? &entry : nullptr;
}

const BackupEntry* RestoreBackupDialog::chosen() const
{
    return m_chosen < 0 ? nullptr : &m_backups[m_chosen];
}

void RestoreBackupDialog::accept()
{
    const BackupEntry* entry = selected();
    if (!entry)
        return;
    const QString question = QStringLiteral("%1 のバックアップに戻しますか?\n今の付箋はバックアップとして残します。")
                                 .arg(captionOf(entry->copy));
    QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, this);
    // Qt's own button texts are English without a translation loaded.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return;
    m_chosen = int(entry - m_backups.constData());
    QDialog::accept();
}
