#include "core/RescueFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Where word is left: beside the store, and a fallback of the program's own per store.
QStringList noticePaths(const QString& storePath)
{
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const QByteArray key = QCryptographicHash::hash(QDir::cleanPath(storePath).toUtf8(), QCryptographicHash::Sha1);
    QStringList paths{storePath + QStringLiteral(".rescued")};
    if (!own.isEmpty())
        paths << QDir(own).filePath(QStringLiteral("rescued-%1.txt").arg(QString::fromLatin1(key.toHex().left(16))));
    return paths;
}

// Opens the file; one it makes is the user's alone from the start, as these may lie in a folder
// others can read. Windows gives it the rights of its folder, which are the user's own.
bool openOwn(QFile& file, QIODevice::OpenMode mode)
{
#ifdef Q_OS_WIN
    return file.open(mode);
#else
    return file.open(mode, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

// Writes the whole file or nothing: a file left behind after a failed write would only mislead.
// A new file is made only where no name is taken yet, never through a link planted there.
bool writeWhole(const QString& path, const QByteArray& bytes, bool append)
{
    QFile file(path);
    if (!openOwn(file, append ? QIODevice::Append : (QIODevice::WriteOnly | QIODevice::NewOnly)))
        return false;
    const qint64 before = file.size();
    bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    written = written && file.error() == QFileDevice::NoError;
    if (!written) {
        // QFile::remove() of a file whose close failed removes nothing; the static one does.
        if (append)
            file.resize(before);
        else
            QFile::remove(path);
    }
    return written;
}

} // namespace

namespace Rescue {

QString writeFile(const QString& text, const QString& stamp, const QStringList& folders)
{
    // With a byte order mark, Windows' Notepad reads the file as UTF-8 too.
    const QByteArray bytes = "\xEF\xBB\xBF" + text.toUtf8();
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        for (int n = 1; n <= 100; ++n) {
            const QString path =
                QDir(folder).filePath(QStringLiteral("zu_daviv-unsaved-%1%2.txt")
                                          .arg(stamp, n > 1 ? QStringLiteral("-%1").arg(n) : QString()));
            if (writeWhole(path, bytes, false))
                return QDir::toNativeSeparators(path);
            // A name taken by anything, a link to nowhere too, passes to the next; any other
            // failure means the folder takes no file.
            const QFileInfo taken(path);
            if (!taken.exists() && !taken.isSymLink())
                break;
        }
    }
    return {};
}

void leaveNotice(const QString& storePath, const QString& rescuePath)
{
    const QByteArray line = rescuePath.toUtf8() + '\n';
    for (const QString& path : noticePaths(storePath)) {
        QDir().mkpath(QFileInfo(path).path());
        if (writeWhole(path, line, true))
            return;
    }
    qWarning("no word of %s could be left for the next start", qUtf8Printable(rescuePath));
}

QStringList takeNotices(const QString& storePath)
{
    QStringList rescued;
    for (const QString& path : noticePaths(storePath)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.trimmed().isEmpty() && !rescued.contains(QString::fromUtf8(line.trimmed())))
                rescued << QString::fromUtf8(line.trimmed());
        file.close();
        file.remove();
    }
    return rescued;
}

} // namespace Rescue
