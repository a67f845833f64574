#include "qt/dialog_units.h"

#include <cstdint>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) {
        return -1;
    }
    std::int64_t product = std::int64_t{number} * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor
                                         : -((-product + half) / divisor));
}

DialogBaseUnits BaseUnitsFromFont(int lettersWidth, int fontHeight) {
    return {(lettersWidth / 26 + 1) / 2, fontHeight};
}

Rect DialogUnitsToPixels(const Rect& dialogUnits, DialogBaseUnits base) {
    return {MulDiv(dialogUnits.x, base.x, 4), MulDiv(dialogUnits.y, base.y, 8),
            MulDiv(dialogUnits.width, base.x, 4), MulDiv(dialogUnits.height, base.y, 8)};
}

Rect ApplyResizeRule(const Rect& initial, const ResizeRule& rule, int growX, int growY) {
    return {initial.x + growX * rule.moveX / 100, initial.y + growY * rule.moveY / 100,
            initial.width + growX * rule.sizeX / 100, initial.height + growY * rule.sizeY / 100};
}
