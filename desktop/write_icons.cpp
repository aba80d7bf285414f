#include "gui/AppIcon.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QtEndian>

#include <cstdio>
#include <cstring>

namespace {

constexpr int PngSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr int IcoSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int IcoHeaderSize = 6;
constexpr int IcoEntrySize = 16;

// One PNG per size in the layout of a freedesktop icon theme: <folder>/<n>x<n>/apps/zufusen.png.
bool writePngs(const QString& folder)
{
    for (int size : PngSizes) {
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps) || !programIconImage(size).save(apps + QLatin1String("/zufusen.png"), "PNG")) {
            std::fprintf(stderr, "write_icons: cannot write %s\n", qPrintable(apps));
            return false;
        }
    }
    return true;
}

// One image of an .ico file: the first 8 bytes of its directory entry (width, height, colour
// count, reserved, planes, bits per pixel) and its data.
struct IcoImage {
    QByteArray Entry;
    QByteArray data;
};

// Qt's ICO writer puts one image in a file, so each size is written alone and its entry and
// data are taken out of that file.
bool icoImage(int size, IcoImage& image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    if (!writer.write(programIconImage(size))) {
        std::fprintf(stderr, "write_icons: no ICO writer: %s\n", qPrintable(writer.errorString()));
        return false;
    }
    const QByteArray& single = buffer.data();
    if (single.size() < IcoHeaderSize + IcoEntrySize || qFromLittleEndian<quint16>(single.constData() + 4) != 1) {
        std::fprintf(stderr, "write_icons: unexpected ICO layout for size %d\n", size);
        return false;
    }
    const char* entry = single.constData() + IcoHeaderSize;
    image.Entry = QByteArray(entry, 8);
    image.data = single.mid(qFromLittleEndian<quint32>(entry + 12), qFromLittleEndian<quint32>(entry + 8));
    // WORKAROUND: Qt leaves the padding at the end of each row of the transparency mask, the
    // last part of the data, uninitialised; zeroed, the same icon gives the same file.
    const int stride = (size + 31) / 32 * 4;
    const int used = (size + 7) / 8;
    constexpr int BitmapHeaderSize = 40;
    if (image.data.size() != BitmapHeaderSize + qsizetype(size) * size * 4 + qsizetype(stride) * size) {
        std::fprintf(stderr, "write_icons: expected a 32-bit bitmap and a mask for size %d\n", size);
        return false;
    }
    char* mask = image.data.data() + image.data.size() - qsizetype(stride) * size;
    for (int row = 0; row < size; ++row)
        std::memset(mask + row * stride + used, 0, stride - used);
    return true;
}

// Windows picks the size it needs out of one file that holds them all. The largest size is
// kept as PNG, as Windows expects it there; a bitmap of it alone would take 270 KB.
bool writeIco(const QString& path)
{
    QList<IcoImage> images;
    for (int size : IcoSizes) {
        IcoImage image;
        if (size == 256) {
            QBuffer png(&image.data);
            png.open(QIODevice::WriteOnly);
            if (!programIconImage(size).save(&png, "PNG"))
                return false;
            image.Entry = QByteArray("\0\0\0\0\1\0\x20\0", 8); // 0 stands for 256; 1 plane, 32 bits
        } else if (!icoImage(size, image)) {
            return false;
        }
        images << image;
    }

    QByteArray ico(IcoHeaderSize, '\0');
    qToLittleEndian<quint16>(1, ico.data() + 2); // type: icon
    qToLittleEndian<quint16>(quint16(images.size()), ico.data() + 4);
    quint32 offset = IcoHeaderSize + IcoEntrySize * images.size();
    for (const IcoImage& image : images) {
        char sizes[8];
        qToLittleEndian<quint32>(quint32(image.data.size()), sizes);
        qToLittleEndian<quint32>(offset, sizes + 4);
        ico += image.Entry;
        ico += QByteArray(sizes, 8);
        offset += image.data.size();
    }
    for (const IcoImage& image : images)
        ico += image.data;

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size()) {
        std::fprintf(stderr, "write_icons: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("png"))
        return writePngs(args[2]) ? 0 : 1;
    if (args.size() == 3 && args[1] == QLatin1String("ico"))
        return writeIco(args[2]) ? 0 : 1;
    std::fprintf(stderr, "usage: write_icons png <icon theme folder> | write_icons ico <file.ico>\n");
    return 2;
}
