#include "ReminderEditor.h"

#include "DialogTheme.h"
#include "Desktop.h"
#include "ErrorReport.h"
#include "NoteStore.h"
#include "ui_ReminderEditor.h"

#include <QShowEvent>

namespace {

enum Column { ColDay, ColTime, ColMessage, ColId };

// Which of the reminders read a row stands for.
constexpr int IndexRole = Qt::UserRole;

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
    if (loadReminders())
        ui->dateEdit->setDate(m_desktop.today());
}

bool ReminderEditor::loadReminders()
{
    StoreResult<std::vector<Reminder>> reminders = m_store.reminders();
    if (!reminders) {
        showErrorReport(reminders.error().message());
        return false;
    }
    m_reminders = std::move(*reminders);
    ui->remindersView->clear();
    for (size_t i = 0; i < m_reminders.size(); ++i) {
        const Reminder& reminder = m_reminders[i];
        auto* item = new QTreeWidgetItem(ui->remindersView);
        item->setText(ColDay, reminder.dayText);
        item->setText(ColTime, reminder.timeText);
        item->setText(ColMessage, reminder.message);
        item->setText(ColId, QString::number(reminder.id));
        item->setData(ColId, IndexRole, qulonglong(i));
    }
    return true;
}

void ReminderEditor::takeClickedReminder()
{
    m_selectedId.reset();
    for (int i = ui->remindersView->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem* item = ui->remindersView->topLevelItem(i);
        if (!item->isSelected())
            continue;
        const Reminder& reminder = m_reminders.at(item->data(ColId, IndexRole).toULongLong());
        // A row whose date or time does not read leaves the fields as they were.
        if (!reminder.unreadable.isEmpty()) {
            showErrorReport(reminder.unreadable);
            return;
        }
        ui->dateEdit->setDate(reminder.day);
        ui->timeEdit->setTime(reminder.time);
        ui->messageEdit->setText(reminder.message);
        m_selectedId = reminder.id;
    }
}

void ReminderEditor::addReminder()
{
    if (ui->messageEdit->text().isEmpty())
        return;
    const std::optional<QDate> date = ui->dateEdit->checkedDate();
    if (!date)
        return;
    write(m_store.addReminder(*date, ui->timeEdit->time(), ui->messageEdit->text()));
}

void ReminderEditor::updateReminder()
{
    if (!m_selectedId || ui->messageEdit->text().isEmpty())
        return;
    const std::optional<QDate> date = ui->dateEdit->checkedDate();
    if (!date)
        return;
    write(m_store.updateReminder(*m_selectedId, *date, ui->timeEdit->time(), ui->messageEdit->text()));
}

void ReminderEditor::deleteReminder()
{
    if (!m_selectedId)
        return;
    write(m_store.removeReminder(*m_selectedId));
}

void ReminderEditor::write(const StoreResult<>& written)
{
    if (!written) {
        showErrorReport(written.error().message());
        return;
    }
    loadReminders();
}
