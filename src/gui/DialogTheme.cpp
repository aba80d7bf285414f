#include "gui/DialogTheme.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

void followDarkTheme(QWidget* dialog)
{
    const QPalette theme = QApplication::palette(dialog);
    if (theme.color(QPalette::WindowText).lightness() > theme.color(QPalette::Window).lightness())
        dialog->setPalette(QPalette());
}
