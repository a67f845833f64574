#include "qt/dialog_units.h"

#include <gtest/gtest.h>

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(4, 6, 4), 6);
    EXPECT_EQ(MulDiv(5, 6, 4), 8);       // 7.5
    EXPECT_EQ(MulDiv(1, 13, 8), 2);      // 1.625
    EXPECT_EQ(MulDiv(3, 13, 8), 5);      // 4.875
    EXPECT_EQ(MulDiv(247, 13, 8), 401);  // 401.375
    EXPECT_EQ(MulDiv(-5, 6, 4), -8);
    EXPECT_EQ(MulDiv(5, 6, -4), -8);
    EXPECT_EQ(MulDiv(-5, 6, -4), 8);
    EXPECT_EQ(MulDiv(5, 6, 0), -1);
    // The product does not overflow 32 bits.
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
}

TEST(DialogUnits, BaseUnitsAreTheRoundedAverageLetterWidthAndTheFontHeight) {
    // Average 11 or 12 pixels per two letters round to 6.
    EXPECT_EQ(BaseUnitsFromFont(286, 13), (DialogBaseUnits{6, 13}));
    EXPECT_EQ(BaseUnitsFromFont(337, 13), (DialogBaseUnits{6, 13}));
    EXPECT_EQ(BaseUnitsFromFont(285, 13), (DialogBaseUnits{5, 13}));
    EXPECT_EQ(BaseUnitsFromFont(338, 16), (DialogBaseUnits{7, 16}));
}

TEST(DialogUnits, RectanglesScaleByQuartersAndEighthsOfTheBaseUnits) {
    // The window's client area with the classic 6 x 13 base units.
    EXPECT_EQ(DialogUnitsToPixels({0, 0, 352, 247}, {6, 13}), (Rect{0, 0, 528, 401}));
    // Every side is scaled and rounded on its own.
    EXPECT_EQ(DialogUnitsToPixels({12, 140, 224, 56}, {7, 15}), (Rect{21, 263, 392, 105}));
    EXPECT_EQ(DialogUnitsToPixels({0, 28, 352, 1}, {6, 13}), (Rect{0, 46, 528, 2}));
}

TEST(DialogUnits, ResizeRulesShiftAndGrowByTheirShareOfTheGrowth) {
    const Rect initial{10, 20, 100, 50};
    EXPECT_EQ(ApplyResizeRule(initial, {0, 0, 0, 0}, 137, 91), initial);
    EXPECT_EQ(ApplyResizeRule(initial, {100, 100, 0, 0}, 137, 91), (Rect{147, 111, 100, 50}));
    EXPECT_EQ(ApplyResizeRule(initial, {0, 0, 100, 100}, 137, 91), (Rect{10, 20, 237, 141}));
    EXPECT_EQ(ApplyResizeRule(initial, {0, 100, 100, 0}, 137, 91), (Rect{10, 111, 237, 50}));
    // Shares are truncated toward zero, growing or shrinking.
    EXPECT_EQ(ApplyResizeRule(initial, {50, 50, 50, 50}, 33, -33), (Rect{26, 4, 116, 34}));
}
