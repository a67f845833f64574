#pragma once

#include <QFont>

#include "qt/dialog_units.h"

// The dialog font's base units, measured as the dialog manager measures them.
DialogBaseUnits MeasureBaseUnits(const QFont& font);

// A font of the given face at normal weight whose cell (ascent plus descent)
// is at most `cellHeight` pixels high: the largest pixel size that fits, as a
// font asked for by its cell height is chosen.
QFont FontWithCellHeight(const QFont& face, int cellHeight);
