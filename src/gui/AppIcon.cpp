#include "gui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

QImage programIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, size > 24);
    const qreal s = size;
    const qreal margin = qMax<qreal>(1, s / 16);
    const QRectF note(margin, margin, s - 2 * margin, s - 2 * margin);
    const qreal fold = note.width() * 0.3;
    // The note, with its lower right corner turned over.
    QPainterPath body;
    body.moveTo(note.topLeft());
    body.lineTo(note.topRight());
    body.lineTo(note.right(), note.bottom() - fold);
    body.lineTo(note.right() - fold, note.bottom());
    body.lineTo(note.bottomLeft());
    body.closeSubpath();
    p.fillPath(body, QColor(255, 255, 140));
    const qreal pen = qMax<qreal>(1, s / 32);
    p.setPen(QPen(QColor(90, 110, 80), pen));
    p.drawPath(body);
    // The date strip in the palette's green.
    const QRectF strip(note.right() - note.width() * 0.22, note.top() + pen / 2, note.width() * 0.22 - pen / 2,
                       note.height() - fold - pen);
    p.fillRect(strip, QColor(216, 231, 211));
    QPainterPath turned;
    turned.moveTo(note.right(), note.bottom() - fold);
    turned.lineTo(note.right() - fold, note.bottom() - fold);
    turned.lineTo(note.right() - fold, note.bottom());
    turned.closeSubpath();
    p.fillPath(turned, QColor(255, 128, 255));
    p.drawPath(turned);
    // Lines of text, fewer at small sizes.
    if (size >= 16) {
        p.setPen(QPen(QColor(60, 60, 60), qMax<qreal>(1, s / 24)));
        const int lines = size >= 48 ? 4 : 2;
        const qreal left = note.left() + note.width() * 0.14;
        const qreal right = strip.left() - note.width() * 0.1;
        for (int i = 0; i < lines; ++i) {
            const qreal y = note.top() + note.height() * (0.28 + i * (lines > 2 ? 0.15 : 0.25));
            p.drawLine(QPointF(left, y), QPointF(i == lines - 1 ? (left + right) / 2 : right, y));
        }
    }
    return image;
}

QIcon programIconWithMarks(bool unsaved, bool reminder)
{
    if (!unsaved && !reminder)
        return programIcon();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QImage image = programIconImage(size);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, qMax<qreal>(1, size / 16.0)));
        if (reminder) {
            const qreal d = size * 0.45;
            p.setBrush(QColor(0, 90, 220));
            p.drawEllipse(QRectF(0, 0, d, d).adjusted(0.5, 0.5, -0.5, -0.5));
        }
        if (unsaved) {
            const qreal d = size * 0.55;
            const QRectF mark(size - d, size - d, d, d);
            p.setBrush(QColor(200, 0, 0));
            p.drawEllipse(mark.adjusted(0.5, 0.5, -0.5, -0.5));
            QFont font;
            font.setBold(true);
            font.setPixelSize(int(d * 0.8));
            p.setFont(font);
            p.drawText(mark, Qt::AlignCenter, QStringLiteral("!"));
        }
        p.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon programIconUpTo(int largest)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        if (size <= largest)
            icon.addPixmap(QPixmap::fromImage(programIconImage(size)));
    return icon;
}

QIcon programIcon()
{
    // Drawn once: the palette, the tray and every state change of the tray ask for it.
    static const QIcon icon = programIconUpTo(256);
    return icon;
}
