// Which template a run fills: a template file (.pff, .pif, .pfb, .pin), a name in the store, or
// the default Config.pcf selects. The command line and the order list choose through here.
#pragma once

#include <string>
#include <vector>

#include "storage/config_file.h"
#include "storage/template_store.h"

namespace tallivo {

class FormsWorkspace;

struct TemplateChoice {
    enum class Outcome {
        kChosen,          // a template (or none, when the store holds none) is selected
        kWrongForm,       // the file is a template of the other form
        kUnusable,        // the file could not be used
        kNoSuchTemplate,  // the store holds no template of that name
    };
    // Damage met on the way, with the file it concerns (a UTF-8 path or file name); with
    // kChosen the template was had all the same.
    struct Notice {
        std::string where;
        std::string textGbk;
    };

    Outcome outcome = Outcome::kChosen;
    std::vector<Notice> notices;
    // Why no template was had, in English; empty with kChosen.
    std::string failure;
    // Config.pcf as read (its values are applied when it was read); missing: there was none.
    ConfigLoad config;
    bool configMissing = false;

    bool Chosen() const { return outcome == Outcome::kChosen; }
};

// Loads the store of `kind` and Config.pcf into the workspace, then selects `wanted` (UTF-8):
// empty for Config.pcf's default, a template file's path, or a template's name in the store. A
// template file stands in for the store's choice without the store being read.
TemplateChoice ChooseTemplate(FormsWorkspace& workspace, FormKind kind, const std::string& wanted);

}  // namespace tallivo
