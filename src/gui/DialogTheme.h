#pragma once

class QWidget;

// The dialogs' designed lavender ground suits a light theme. Under a dark theme (light text on a
// dark ground) it would put light labels on a light ground, so there the dialog takes the
// theme's own colours, background and text alike.
void followDarkTheme(QWidget* dialog);
