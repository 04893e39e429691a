#include "text/message_sink.h"

namespace tallivo {

namespace {
thread_local Prompter* g_prompter = nullptr;
}

Prompter* CurrentPrompter() {
    return g_prompter;
}

void SetCurrentPrompter(Prompter* prompter) {
    g_prompter = prompter;
}

void ShowMessage(const std::string& text) {
    if (g_prompter != nullptr) g_prompter->ShowMessage(text);
}

}  // namespace tallivo
