#pragma once

#include <QWidget>

#include "qt/main_window_template.h"

// Makes the widget for one control of a template, as a child of `parent`:
// its kind, text, styles, image, tooltip and cursor. Placing it is the
// window's part.
QWidget* CreateControl(const ControlTemplate& control, QWidget* parent);

// The pixel size a control takes whatever its rectangle says: a picture the
// size of its image, a drop-down list the height of its closed field (the
// rectangle's height is that of the list when open). A width or height of 0
// leaves that side to the rectangle.
QSize NaturalControlSize(const ControlTemplate& control, const QWidget& widget);
