#pragma once

#include <deque>
#include <string>
#include <vector>

#include "text/message_sink.h"

namespace tallivo::testing {

// Records every message and question; answers questions from a script, then No.
class RecordingPrompter : public Prompter {
public:
    struct Question {
        std::string caption;
        std::string text;
        bool answer;
    };

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        bool answer = false;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        questions.push_back({caption, text, answer});
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<Question> questions;
    std::deque<bool> answers;
};

}  // namespace tallivo::testing
