#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class Desktop;
class NoteStore;
namespace Ui {
class ReminderEditor;
}

// The editor of balloon messages: dated, timed reminder texts kept in m_icom_message.
class ReminderEditor : public QDialog {
    Q_OBJECT

public:
    ReminderEditor(Desktop& desktop, const NoteStore& store, QWidget* parent = nullptr);
    ~ReminderEditor() override;

    void loadReminders();
    // The id of the message last taken from the list by a click; empty when there is none.
    const QString& selectedReminderId() const { return m_selectedMessageId; }

    void takeClickedReminder();
    void addReminder();
    void updateReminder();
    void deleteReminder();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void prepareForShowing();

    Desktop& m_desktop;
    const NoteStore& m_store;
    std::unique_ptr<Ui::ReminderEditor> ui;
    QString m_selectedMessageId;
};
