#include "app/Translation.h"

#include <QFileInfo>

std::unique_ptr<QTranslator> loadTranslation(const QString& programFolder, const QLocale& locale)
{
    // Without the folder, as almost every install is, start-up pays one look and no more.
    const QString folder = programFolder + QStringLiteral("/translations");
    if (!QFileInfo(folder).isDir())
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("zufusen"), QStringLiteral("_"), folder))
        return nullptr;
    return translator;
}
