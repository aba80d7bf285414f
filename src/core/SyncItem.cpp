#include "core/SyncItem.h"

#include <QCryptographicHash>
#include <QStringList>

SyncOrder compareVersions(const SyncVersion& a, const SyncVersion& b)
{
    bool aAhead = false;
    bool bAhead = false;
    auto i = a.begin();
    auto j = b.begin();
    while (i != a.end() || j != b.end()) {
        if (j == b.end() || (i != a.end() && i->first < j->first)) {
            aAhead |= i->second > 0;
            ++i;
        } else if (i == a.end() || j->first < i->first) {
            bAhead |= j->second > 0;
            ++j;
        } else {
            aAhead |= i->second > j->second;
            bAhead |= j->second > i->second;
            ++i;
            ++j;
        }
    }
    if (aAhead && bAhead)
        return SyncOrder::Concurrent;
    if (aAhead)
        return SyncOrder::Newer;
    return bAhead ? SyncOrder::Older : SyncOrder::Same;
}

SyncVersion joinVersions(const SyncVersion& a, const SyncVersion& b)
{
    SyncVersion joined = a;
    for (const auto& [store, count] : b)
        joined[store] = std::max(joined[store], count);
    return joined;
}

QString versionText(const SyncVersion& version)
{
    QStringList parts;
    for (const auto& [store, count] : version)
        parts << store + QLatin1Char(':') + QString::number(count);
    return parts.join(QLatin1Char(','));
}

SyncVersion versionFromText(const QString& text)
{
    SyncVersion version;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype colon = part.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const qint64 count = colon > 0 ? part.mid(colon + 1).toLongLong(&ok) : 0;
        if (!ok || count < 0)
            return {};
        version[part.left(colon)] = count;
    }
    return version;
}

QByteArray SyncItem::contentDigest() const
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const QString fields = QStringList{QString::number(kind),     QString::number(removed),
                                       day.toString(Qt::ISODate), time.toString(Qt::ISODateWithMs),
                                       QString::number(color),    QString::number(alpha),
                                       QString::number(isOpen)}
                               .join(QLatin1Char('\x1f'));
    hash.addData(fields.toUtf8());
    hash.addData(QByteArrayView("\x1e"));
    hash.addData(text.toUtf8());
    return hash.result().toHex();
}
