#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

// A reminder balloon of our own, near the screen's bottom-right corner, for desktops
// whose tray cannot show one.
class TBalloonPopup : public QWidget {
    Q_OBJECT

public:
    explicit TBalloonPopup(QWidget* parent = nullptr);
    void ShowText(const QString& text, int timeoutMs);
    QString Text() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* FLabel;
    QTimer FTimer;
};
