#pragma once

#include <QIcon>
#include <QImage>

// The program's icon: a small note in the palette's colours, drawn for each size so it
// stays crisp from 16 to 256 pixels.
QImage programIconImage(int size);
QIcon programIcon();
// The icon in the sizes up to the given one.
QIcon programIconUpTo(int size);
// The icon with a red mark: something the user typed is not stored yet.
QIcon programIconWithWarning();
