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
    // The lines, one under the other, as far as they fit in a balloon on the given screen area;
    // a last line counts those left out. A single line is kept whatever its size.
    QString fittingText(const QStringList& lines, const QRect& area) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Between the balloon and the edges of the screen's area.
    static constexpr int ScreenGap = 12;

    QLabel* m_label;
    QTimer m_timer;
};
