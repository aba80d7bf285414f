#pragma once

#include "core/NoteText.h"

#include <QPlainTextEdit>

#include <optional>

class QSyntaxHighlighter;

// The note editor: plain text only, so pasted formatting never enters the note. With URL
// detection on it shows URL-shaped text as links, without putting any formatting into the
// text, and reports a left-button press on one. Ctrl with the wheel, Ctrl++, Ctrl+- and Ctrl+0
// ask for another text size.
class NoteEditor : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit NoteEditor(QWidget* parent = nullptr);

    void setAutoUrlDetect(bool on);
    bool autoUrlDetect() const { return m_links != nullptr; }

    // The note's whole text; line breaks may be CR LF, LF or CR.
    void setNoteText(const QString& text);
    // The editor's lines, each followed by CR LF; lines made only by wrapping do not count.
    QString noteText() const;

    // The link under a point of the viewport, as positions in the document; a point beside
    // the end of a line is on none.
    std::optional<LinkRange> linkAt(const QPoint& pos) const;
    void selectRange(int start, int end);
    QString selectedText() const;

Q_SIGNALS:
    // A left-button press on a link, [start, end) in the document; the press then goes on as
    // an ordinary click.
    void linkPressed(int start, int end);
    // The text size so many steps larger, or smaller when negative.
    void zoomStepsRequested(int steps);
    void defaultZoomRequested();

protected:
    // Pastes and drops come in as plain text, also from HTML alone.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool zoomKey(QKeyEvent* event);

    QSyntaxHighlighter* m_links = nullptr;
};
