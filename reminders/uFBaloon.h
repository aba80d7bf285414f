#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class TDesktop;
class TNoteStore;
namespace Ui {
class frmBaloon;
}

// The editor of balloon messages: dated, timed reminder texts kept in m_icom_message.
class TfrmBaloon : public QDialog {
    Q_OBJECT

public:
    TfrmBaloon(TDesktop& desktop, const TNoteStore& store, QWidget* parent = nullptr);
    ~TfrmBaloon() override;

    void LoadMessageList();
    // The id of the message last taken from the list by a click; empty when there is none.
    const QString& SelectedMessageId() const { return FSelectedMessageId; }

    void ListVwLgClick();
    void BtnaddClick();
    void BtnupdateClick();
    void BtndeleteClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();

    TDesktop& FDesktop;
    const TNoteStore& FStore;
    std::unique_ptr<Ui::frmBaloon> ui;
    QString FSelectedMessageId;
};

extern TfrmBaloon* frmBaloon;
