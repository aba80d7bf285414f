#pragma once

#include <QFrame>

// A raised colour swatch of the palette. Its colour comes from the form (property
// "colorValue", 0x00BBGGRR). Reports the cursor leaving it also while a button is held,
// when the toolkit delivers no Leave until the release.
class Swatch : public QFrame {
    Q_OBJECT

public:
    explicit Swatch(QWidget* parent = nullptr);
    quint32 colorValue() const;

Q_SIGNALS:
    void pressed(Qt::MouseButton button);
    void clicked();
    void doubleClicked();
    void cursorLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void left();

    bool m_inside = false;
    bool m_pressed = false;
};
