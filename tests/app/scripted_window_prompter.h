#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/window_prompter.h"

namespace tallivo::testing {

// Records messages, information boxes and questions; answers questions from a script, then No.
class ScriptedWindowPrompter : public WindowPrompter {
public:
    struct Box {
        std::string caption;
        std::string text;
        bool defaultYes = false;
    };

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        questions.push_back({caption, text});
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool AskYesNoDefaultYes(const std::string& caption, const std::string& text) override {
        const bool answer = AskYesNo(caption, text);
        questions.back().defaultYes = true;
        return answer;
    }
    void ShowInformation(const std::string& caption, const std::string& text) override {
        information.push_back({caption, text});
    }

    std::vector<std::string> messages;
    std::vector<Box> information;
    std::vector<Box> questions;
    std::deque<bool> answers;
};

}  // namespace tallivo::testing
