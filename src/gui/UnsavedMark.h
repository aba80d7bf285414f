#pragma once

#include <QLabel>

// The red 未保存 in the corner of a note's date strip, shown while the note's last save failed;
// its tool tip says why.
class UnsavedMark : public QLabel {
    Q_OBJECT

public:
    UnsavedMark(const QWidget& strip, QWidget* note);

    void showState(bool failed, const QString& error);
    // Back in the strip's bottom right corner, after the note was resized.
    void place();

private:
    const QWidget& m_strip;
};
