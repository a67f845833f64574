#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "qt/dialog_font.h"
#include "qt/dialog_units.h"

// Dialog-unit geometry in Qt's types, over the toolkit-free arithmetic of
// dialog_units.h.

inline DialogBaseUnits BaseUnitsOf(const QFont& font) {
    return MeasureBaseUnits(font);
}

inline QRect DialogRectToPixels(const QRect& dialogUnits, DialogBaseUnits base) {
    const Rect pixels = DialogUnitsToPixels(
        {dialogUnits.x(), dialogUnits.y(), dialogUnits.width(), dialogUnits.height()}, base);
    return QRect(pixels.x, pixels.y, pixels.width, pixels.height);
}

inline QSize DialogSizeToPixels(const QSize& dialogUnits, DialogBaseUnits base) {
    return DialogRectToPixels(QRect(QPoint(0, 0), dialogUnits), base).size();
}

inline QRect ApplyResizeRule(const QRect& initial, const QSize& growth, const ResizeRule& rule) {
    const Rect moved =
        ApplyResizeRule({initial.x(), initial.y(), initial.width(), initial.height()}, rule,
                        growth.width(), growth.height());
    return QRect(moved.x, moved.y, moved.width, moved.height);
}
