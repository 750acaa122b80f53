#include "qt/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>

namespace kelm9d {

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int total = metrics.horizontalAdvance(letters);
    DialogBaseUnits units;
    units.x = (total / 26 + 1) / 2;  // average over 52 letters, rounded
    units.y = metrics.height();
    if (units.x <= 0)
        units.x = 1;
    if (units.y <= 0)
        units.y = 1;
    return units;
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(dialogTemplate.fontPointSize > 0 ? dialogTemplate.fontPointSize : 9);
    return font;
}

}  // namespace kelm9d
