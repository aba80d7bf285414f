#include "gui/AppIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace

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

namespace {

void paintMarks(QImage& image, bool unsaved, bool reminder)
{
    const int size = image.width();
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
}

// The icon drawn at the size asked for, when it is asked for. Held as images, the sizes the palette
// and the tray offer (up to 256 pixels) took 360 KB for the life of the program; the window system
// and the tray ask for each only when they take the icon.
class DrawnIconEngine : public QIconEngine {
public:
    DrawnIconEngine(int largest, bool unsaved, bool reminder)
        : m_largest(largest), m_unsaved(unsaved), m_reminder(reminder)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        painter->drawImage(rect, image(qMin(rect.width(), rect.height())));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        return QPixmap::fromImage(image(qMin(size.width(), size.height())));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int size : IconSizes)
            if (size <= m_largest)
                sizes << QSize(size, size);
        return sizes;
    }

    QString key() const override { return QStringLiteral("DrawnIconEngine"); }
    QIconEngine* clone() const override { return new DrawnIconEngine(*this); }

private:
    QImage image(int size) const
    {
        QImage drawn = programIconImage(qMax(1, size));
        if (m_unsaved || m_reminder)
            paintMarks(drawn, m_unsaved, m_reminder);
        return drawn;
    }

    int m_largest;
    bool m_unsaved;
    bool m_reminder;
};

} // namespace

QIcon programIconWithMarks(bool unsaved, bool reminder)
{
    if (!unsaved && !reminder)
        return programIcon();
    return QIcon(new DrawnIconEngine(64, unsaved, reminder));
}

QIcon programIconUpTo(int largest)
{
    QIcon icon;
    for (int size : IconSizes)
        if (size <= largest)
            icon.addPixmap(QPixmap::fromImage(programIconImage(size)));
    return icon;
}

QIcon programIcon()
{
    return QIcon(new DrawnIconEngine(256, false, false));
}
