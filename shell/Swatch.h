#pragma once

#include <QFrame>

// A raised colour swatch of the palette. Its colour comes from the form (property
// "colorValue", 0x00BBGGRR). Reports the cursor leaving it also while a button is held,
// when the toolkit delivers no Leave until the release.
class TSwatch : public QFrame {
    Q_OBJECT

public:
    explicit TSwatch(QWidget* parent = nullptr);
    quint32 ColorValue() const;

Q_SIGNALS:
    void MouseDown(Qt::MouseButton button);
    void Clicked();
    void DoubleClicked();
    void MouseLeave();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Left();

    bool FInside = false;
    bool FPressed = false;
};
