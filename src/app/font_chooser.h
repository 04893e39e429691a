#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace tallivo {

// A font with its colour, as the font dialog offers and returns it. A confirmed choice says
// which of the two the user changed; what was left alone is not applied.
struct FontChoice {
    QFont font;
    QColor color;
    bool fontChanged = true;
    bool colorChanged = true;
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

// Family, size, style and colour in one dialog. The families the templates use (宋体 and the
// others drawn by stand-ins) are offered by their own names, which Qt's font dialog does not
// know, and sizes may be half points (10.5 is 五号).
class FontColorDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontColorDialog(const FontChoice& initial, QWidget* parent = nullptr);

    FontChoice Choice() const;
    void SetColor(const QColor& color);

private:
    void ChooseColor();
    QFont ShownFont() const;
    void ShowSample();

    QComboBox* family_;
    QComboBox* size_;
    QCheckBox* bold_;
    QCheckBox* italic_;
    QCheckBox* underline_;
    QCheckBox* strikeOut_;
    QLabel* sample_;
    QPushButton* colorButton_;
    QFont initialFont_;
    QColor initialColor_;
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
