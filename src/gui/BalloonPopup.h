#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

// A reminder balloon of our own, near the screen's bottom-right corner, for desktops
// whose tray cannot show one.
class BalloonPopup : public QWidget {
    Q_OBJECT

public:
    explicit BalloonPopup(QWidget* parent = nullptr);
    void showText(const QString& text, int timeoutMs);
    QString text() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* m_label;
    QTimer m_timer;
};
