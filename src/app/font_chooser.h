#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace tallivo {

// A font with its colour, as the font dialog offers and returns it.
struct FontChoice {
    QFont font;
    QColor color;
};

// The font dialog's starting font: 宋体, 20 pixels, fuchsia.
FontChoice InitialDialogFont();

// The font dialog of the format commands. Tests answer from a script.
class FontChooser {
public:
    virtual ~FontChooser() = default;
    // The confirmed choice, or nothing when the user cancels.
    virtual std::optional<FontChoice> Choose(const FontChoice& initial) = 0;
};

// Qt's font dialog. It has no colour choice, so the colour comes back as it went in.
class QtFontChooser : public FontChooser {
public:
    explicit QtFontChooser(QWidget* owner = nullptr) : owner_(owner) {}
    std::optional<FontChoice> Choose(const FontChoice& initial) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace tallivo
