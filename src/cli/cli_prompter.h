// How the command line answers the workspace's messages and questions.
#pragma once

#include <string>
#include <vector>

#include "text/message_sink.h"

namespace tallivo {

// Collects what a page's work says and asks; questions get the fixed answer.
class CliPrompter : public Prompter {
public:
    struct Question {
        std::string caption;  // GBK
        std::string text;
        bool answer = false;
    };
    explicit CliPrompter(bool answerYes) : answerYes_(answerYes) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;

    std::vector<std::string> messages;  // GBK
    std::vector<Question> questions;

private:
    bool answerYes_;
};

}  // namespace tallivo
