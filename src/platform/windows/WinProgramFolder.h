#pragma once

#include <QString>

// Folder of the running executable with backslashes and no trailing separator, except for a
// drive root ("C:\"), where dropping it would name the drive's current folder instead.
QString winProgramFolder();
