#include "cli/cli_prompter.h"

namespace tallivo {

void CliPrompter::ShowMessage(const std::string& text) {
    messages.push_back(text);
}

bool CliPrompter::AskYesNo(const std::string& caption, const std::string& text) {
    questions.push_back({caption, text, answerYes_});
    return answerYes_;
}

}  // namespace tallivo
