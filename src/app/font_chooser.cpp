#include "app/font_chooser.h"

#include <QFontDialog>
#include <QFontInfo>

#include "app/owner_draw_rules.h"

namespace tallivo {

FontChoice InitialDialogFont() {
    QFont font(QString::fromUtf8(u8"宋体"));
    font.setPixelSize(20);
    return {font, QColor(kFuchsia.r, kFuchsia.g, kFuchsia.b)};
}

std::optional<FontChoice> QtFontChooser::Choose(const FontChoice& initial) {
    QFont font = initial.font;
    // The dialog lists point sizes; a font sized in pixels shows as the points it comes to.
    if (font.pointSizeF() <= 0) font.setPointSizeF(QFontInfo(initial.font).pointSizeF());
    QFontDialog dialog(font, owner_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FontChoice{dialog.selectedFont(), initial.color};
}

}  // namespace tallivo
