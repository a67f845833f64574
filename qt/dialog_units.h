#pragma once

// Dialog units and resize rules: the arithmetic that places the main window's
// controls, kept apart from any toolkit so that it can be checked on its own.

// A rectangle as x, y, width, height; in dialog units or in pixels.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

// Pixels per four horizontal and per eight vertical dialog units.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;

    friend bool operator==(const DialogBaseUnits&, const DialogBaseUnits&) = default;
};

// How far a control moves right and down and how much wider and taller it
// grows, each in percent of the window's growth beyond its first size.
struct ResizeRule {
    int moveX = 0;
    int moveY = 0;
    int sizeX = 0;
    int sizeY = 0;
};

// number * numerator / denominator in 64 bits, rounded half away from zero, as
// the dialog manager scales. A zero denominator gives -1.
int MulDiv(int number, int numerator, int denominator);

// The base units of a dialog font: horizontally the average width of the 52
// Latin letters (A-Z a-z), rounded; vertically the font's height.
// `lettersWidth` is the width of those 52 letters written in one run.
DialogBaseUnits BaseUnitsFromFont(int lettersWidth, int fontHeight);

// The pixel rectangle of a rectangle in dialog units: x and width times
// base.x / 4, y and height times base.y / 8, each rounded on its own.
Rect DialogUnitsToPixels(const Rect& dialogUnits, DialogBaseUnits base);

// A control's rectangle after the window grew by growX, growY pixels beyond
// its first size (negative when smaller); each shift truncated toward zero.
Rect ApplyResizeRule(const Rect& initial, const ResizeRule& rule, int growX, int growY);
