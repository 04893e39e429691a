#pragma once

#include <optional>
#include <string>

#include "app/font_chooser.h"
#include "app/window_prompter.h"

namespace tallivo {

// A window under measurement asks nobody: every question is answered yes, every message dropped.
class QuietWindowPrompter : public WindowPrompter {
public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    void ShowInformation(const std::string&, const std::string&) override {}
};

class NoFonts : public FontChooser {
public:
    std::optional<FontChoice> Choose(const FontChoice&) override { return std::nullopt; }
};

}  // namespace tallivo
