#include "gui/RestoreBackupDialog.h"

#include "core/BackupChecks.h"
#include "gui/DisplayDates.h"

#include "ui_RestoreBackupDialog.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidgetItem>

namespace {

QString unusableRemark(BackupCheck::Verdict verdict)
{
    switch (verdict) {
    case BackupCheck::Verdict::Empty:
        return QCoreApplication::translate("RestoreBackupDialog", "ファイルが空です");
    case BackupCheck::Verdict::NotAStore:
        return QCoreApplication::translate("RestoreBackupDialog", "付箋のファイルではありません");
    case BackupCheck::Verdict::Damaged:
    case BackupCheck::Verdict::Usable:
        break;
    }
    return QCoreApplication::translate("RestoreBackupDialog", "壊れています");
}

} // namespace

RestoreBackupDialog::RestoreBackupDialog(QList<BackupEntry> backups, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::RestoreBackupDialog>()), m_backups(std::move(backups))
{
    m_ui->setupUi(this);
    if (m_backups.isEmpty())
        m_ui->hint->setText(tr("バックアップはまだありません。"));
    QStringList paths;
    for (qsizetype i = 0; i < m_backups.size(); ++i) {
        const BackupEntry& entry = m_backups[i];
        const QString remark = entry.copy.keptBeforeRestore ? tr("戻す前の付箋") : QString();
        auto* item = new QTreeWidgetItem(m_ui->backupList, {captionOf(entry.copy), QStringLiteral("…"), remark});
        item->setData(0, Qt::UserRole, int(i));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        // Not to be chosen before its check says it can be used.
        item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        paths << entry.path;
    }
    m_ui->backupList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_ui->backupList, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_ui->restoreButton->setEnabled(selected() != nullptr); });
    connect(m_ui->backupList, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (selected())
            accept();
    });
    m_checks = std::make_unique<BackupChecks>(paths, this,
                                              [this](int index, const BackupCheck& check) { showCheck(index, check); });
}

RestoreBackupDialog::~RestoreBackupDialog() = default;

QString RestoreBackupDialog::captionOf(const BackupCopy& copy)
{
    const QString day = displayDate(copy.day);
    return copy.keptBeforeRestore ? day + QLatin1Char(' ') + displayTime(copy.time) : day;
}

void RestoreBackupDialog::showCheck(int index, const BackupCheck& check)
{
    m_backups[index].check = check;
    QTreeWidgetItem* item = m_ui->backupList->topLevelItem(index);
    if (!check.isUsable()) {
        item->setText(1, QStringLiteral("?"));
        item->setText(2, unusableRemark(check.verdict()));
        item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        return;
    }
    item->setText(1, tr("%1 枚").arg(check.notes()));
    item->setFlags(item->flags() | Qt::ItemIsSelectable);
    // The copies are checked newest first: the first usable one is the newest.
    if (m_ui->backupList->selectedItems().isEmpty())
        m_ui->backupList->setCurrentItem(item);
}

const BackupEntry* RestoreBackupDialog::selected() const
{
    const QList<QTreeWidgetItem*> items = m_ui->backupList->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const BackupEntry& entry = m_backups[items.first()->data(0, Qt::UserRole).toInt()];
    return entry.isUsable() ? &entry : nullptr;
}

const BackupEntry* RestoreBackupDialog::chosen() const
{
    return m_chosen < 0 ? nullptr : &m_backups[m_chosen];
}

bool RestoreBackupDialog::confirm(const QString& question)
{
    QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, this);
    // Qt's own button texts are English without a translation loaded.
    box.button(QMessageBox::Yes)->setText(tr("はい"));
    box.button(QMessageBox::No)->setText(tr("いいえ"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void RestoreBackupDialog::accept()
{
    const BackupEntry* entry = selected();
    if (!entry)
        return;
    if (!confirm(
            tr("%1 のバックアップに戻しますか?\n今の付箋はバックアップとして残します。").arg(captionOf(entry->copy))))
        return;
    // A copy without notes would clear the desktop: one more word before that.
    if (entry->check->notes() == 0 && !confirm(tr("このバックアップには付箋がありません。\n本当に戻しますか?")))
        return;
    m_chosen = int(entry - m_backups.constData());
    QDialog::accept();
}
