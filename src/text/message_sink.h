#pragma once

#include <string>

namespace tallivo {

// Where the core's message boxes and Yes/No questions go. The GUI answers with real dialogs,
// the command line with a fixed answer, tests with a script. All texts are GBK.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // Default button is No: only an explicit Yes goes on.
    virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
};

// The prompter of the free helpers that have no host to ask (the text toolkit). Null by default:
// messages are then dropped.
Prompter* CurrentPrompter();
void SetCurrentPrompter(Prompter* prompter);

// Installs a prompter for a scope and restores the previous one.
class ScopedPrompter {
public:
    explicit ScopedPrompter(Prompter* prompter) : previous_(CurrentPrompter()) {
        SetCurrentPrompter(prompter);
    }
    ~ScopedPrompter() { SetCurrentPrompter(previous_); }
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    Prompter* previous_;
};

// Shows a message through the current prompter, if any.
void ShowMessage(const std::string& text);

}  // namespace tallivo
