#pragma once

#include <QIcon>
#include <QImage>

// The program's icon: a small note in the palette's colours, drawn for each size so it
// stays crisp from 16 to 256 pixels.
QImage programIconImage(int size);
// The icon in every size up to 256 pixels, each drawn when asked for.
QIcon programIcon();
// The icon in the sizes up to the given one, drawn once and kept: for the many windows that
// take it.
QIcon programIconUpTo(int size);
// The tray's icon with its marks: a red one at the bottom right while something the user typed is
// not stored yet, a blue one at the top left while a reminder shown has not been seen.
QIcon programIconWithMarks(bool unsaved, bool reminder);
