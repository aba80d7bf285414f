#include "platform/System.h"

#include <QCoreApplication>
#include <QDir>

QString ProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void PrepareWindowSystem() {}

// Qt's own conversion, where Qt has one (see CodePage932.h), stays in place.
void UseSystemCodePage932() {}

void SaveBeforeDisplayLoss(std::function<void()>) {}
