#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <optional>

class QFontDialog;
class QPushButton;

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

// Qt's font panel with a colour button beside it: Qt's own font dialog has no colour, and the
// font command sets the colour with the rest.
class FontColorDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontColorDialog(const FontChoice& initial, QWidget* parent = nullptr);

    FontChoice Choice() const;
    QFontDialog* FontPanel() const { return fonts_; }
    QPushButton* ColorButton() const { return colorButton_; }
    void SetColor(const QColor& color);

private:
    void ChooseColor();

    QFontDialog* fonts_;
    QPushButton* colorButton_;
    QColor color_;
};

class QtFontChooser : public FontChooser {
public:
    explicit QtFontChooser(QWidget* owner = nullptr) : owner_(owner) {}
    std::optional<FontChoice> Choose(const FontChoice& initial) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace tallivo
