#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

#include <memory>

// The translation of what the user reads, for a locale: zufusen_<locale>.qm in the folder
// "translations" within programFolder, looked up as QTranslator looks up a locale's file (de_DE,
// then de). Null when there is none; the texts then stay the Japanese they are written in.
std::unique_ptr<QTranslator> loadTranslation(const QString& programFolder, const QLocale& locale);
