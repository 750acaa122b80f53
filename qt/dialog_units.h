// Dialog units to pixels, from the base units of the font the window really
// uses: a horizontal unit is a quarter of the average width of the Latin
// letters, a vertical unit an eighth of the line height.
#pragma once

#include <QFont>
#include <QRect>

#include "platform/dialog/dialog_template.h"

namespace kelm9d {

struct DialogBaseUnits {
    int x = 8;   // average character width, pixels
    int y = 16;  // line height, pixels

    int ToPixelsX(int units) const { return (units * x + 2) / 4; }
    int ToPixelsY(int units) const { return (units * y + 4) / 8; }
    QRect ToPixels(const DialogRect& rect) const {
        return QRect(ToPixelsX(rect.x), ToPixelsY(rect.y), ToPixelsX(rect.width),
                     ToPixelsY(rect.height));
    }
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// The font a template names, as this system has it: the dialog font of the
// original platform maps to the system's sans-serif font at the same size.
QFont DialogFont(const DialogTemplate& dialogTemplate);

}  // namespace kelm9d
