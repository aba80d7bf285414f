#include "ReminderEditor.h"

#include "DialogTheme.h"
#include "Desktop.h"
#include "ErrorReport.h"
#include "StoreText.h"
#include "NoteStore.h"
#include "ui_ReminderEditor.h"

#include <QShowEvent>

namespace {

enum Column { ColDay, ColTime, ColMessage, ColId };

qint64 messageIdValue(const QString& id)
{
    bool ok = false;
    const qint64 value = id.toLongLong(&ok);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(id));
    return value;
}

} // namespace

ReminderEditor::ReminderEditor(Desktop& desktop, const NoteStore& store, QWidget* parent)
    : QDialog(parent), m_desktop(desktop), m_store(store), ui(std::make_unique<Ui::ReminderEditor>())
{
    ui->setupUi(this);
    followDarkTheme(this);
    move(0, 0);
    ui->remindersView->setColumnWidth(ColDay, 70);
    ui->remindersView->setColumnWidth(ColTime, 55);
    ui->remindersView->setColumnWidth(ColMessage, 300);
    ui->timeEdit->setTime(QTime(12, 0));
    ui->messageEdit->installEventFilter(this);
    ui->timeEdit->installEventFilter(this);

    connect(ui->remindersView, &ReportList::listClicked, this, guarded([this] { takeClickedReminder(); }));
    connect(ui->addButton, &QPushButton::clicked, this, guarded([this] { addReminder(); }));
    connect(ui->updateButton, &QPushButton::clicked, this, guarded([this] { updateReminder(); }));
    connect(ui->deleteButton, &QPushButton::clicked, this, guarded([this] { deleteReminder(); }));
}

ReminderEditor::~ReminderEditor() = default;

void ReminderEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window system's own show (after mapping, on restore) is not a new showing.
    if (!event->spontaneous())
        prepareForShowing();
}

bool ReminderEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == ui->messageEdit)
            m_desktop.requestHiragana(ui->messageEdit);
        else if (watched == ui->timeEdit)
            m_desktop.switchInputMethodOff(ui->timeEdit);
    }
    return QDialog::eventFilter(watched, event);
}

void ReminderEditor::prepareForShowing()
{
    loadReminders();
    ui->dateEdit->setDate(m_desktop.today());
}

void ReminderEditor::loadReminders()
{
    const std::vector<ReminderRow> messages = m_store.reminders();
    ui->remindersView->clear();
    for (const ReminderRow& message : messages) {
        auto* item = new QTreeWidgetItem(ui->remindersView);
        item->setText(ColDay, message.day);
        item->setText(ColTime, message.time);
        item->setText(ColMessage, message.message);
        item->setText(ColId, message.id);
    }
}

void ReminderEditor::takeClickedReminder()
{
    m_selectedMessageId.clear();
    for (int i = ui->remindersView->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem* item = ui->remindersView->topLevelItem(i);
        if (!item->isSelected())
            continue;
        // Both texts are read before any field changes, so a row that does not read leaves
        // the fields as they were instead of half taken.
        const QDate date = strToDate(item->text(ColDay));
        const QTime time = strToTime(item->text(ColTime));
        ui->dateEdit->setDate(date);
        ui->timeEdit->setTime(time);
        ui->messageEdit->setText(item->text(ColMessage));
        m_selectedMessageId = item->text(ColId);
    }
}

void ReminderEditor::addReminder()
{
    if (ui->messageEdit->text().isEmpty())
        return;
    const std::optional<QDate> date = ui->dateEdit->checkedDate();
    if (!date)
        return;
    const QString timeText = formatStoreTime(ui->timeEdit->time());
    const QString dateText = formatStoreDate(*date);

    m_store.addReminder(timeText, ui->messageEdit->text(), dateText);
    loadReminders();
}

void ReminderEditor::updateReminder()
{
    if (m_selectedMessageId.isEmpty() || ui->messageEdit->text().isEmpty())
        return;
    const std::optional<QDate> date = ui->dateEdit->checkedDate();
    if (!date)
        return;
    const QString timeText = formatStoreTime(ui->timeEdit->time());
    const QString dateText = formatStoreDate(*date);
    const qint64 id = messageIdValue(m_selectedMessageId);

    m_store.updateReminder(timeText, ui->messageEdit->text(), dateText, id);
    loadReminders();
}

void ReminderEditor::deleteReminder()
{
    if (m_selectedMessageId.isEmpty())
        return;
    const qint64 id = messageIdValue(m_selectedMessageId);

    m_store.removeReminder(id);
    loadReminders();
}
