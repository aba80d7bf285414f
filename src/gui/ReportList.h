#pragma once

#include <QTreeWidget>

// A list of rows and columns with one item selected at most, as a report-view list control
// behaves: a click on empty space clears the selection, every cell shows its whole text
// (rows grow to the wrapped lines), and a mouse click on the rows area is announced.
class ReportList : public QTreeWidget {
    Q_OBJECT

public:
    explicit ReportList(QWidget* parent = nullptr);

Q_SIGNALS:
    // A left-button press and release over the rows area, after the selection has changed.
    void listClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
