#include "forms/template_choice.h"

#include <filesystem>
#include <system_error>

#include "forms/template_source.h"
#include "forms/workspace.h"
#include "storage/file_io.h"
#include "text/gbk_codec.h"

namespace tallivo {

TemplateChoice ChooseTemplate(FormsWorkspace& workspace, FormKind kind, const std::string& wanted) {
    namespace fs = std::filesystem;
    TemplateChoice choice;
    std::error_code ec;
    const bool file =
        !wanted.empty() && IsTemplateFileName(wanted) && fs::is_regular_file(wanted, ec);
    if (file) {
        TemplateSourceRead read = ReadTemplateSource(kind, wanted);
        if (read.wrongForm) {
            choice.outcome = TemplateChoice::Outcome::kWrongForm;
            choice.failure = "not a template of the form being filled";
            return choice;
        }
        if (!read.message.empty()) choice.notices.push_back({wanted, read.message});
        if (!read.source) {
            choice.outcome = TemplateChoice::Outcome::kUnusable;
            choice.failure = GbkToUtf8(read.message);
        } else {
            workspace.UseTemplateSource(kind, std::move(read.source));
        }
    } else {
        const StorageResult store = workspace.LoadTemplateStore(kind);
        if (!store.message.empty())
            choice.notices.push_back({TemplateStoreFileName(kind), store.message});
    }

    // The config selects the default template, so it is read after the store and before the
    // named one is selected over it.
    choice.configMissing = !fs::exists(JoinPath(workspace.ProgramFolder(), "Config.pcf"), ec);
    choice.config = workspace.ReadConfig();

    if (!file && !wanted.empty() && !workspace.SelectTemplateNamed(kind, Utf8ToGbk(wanted))) {
        choice.outcome = TemplateChoice::Outcome::kNoSuchTemplate;
        choice.failure = "no such template in " +
                         JoinPath(workspace.ProgramFolder(), TemplateStoreFileName(kind));
    }
    return choice;
}

}  // namespace tallivo
