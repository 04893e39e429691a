#pragma once

#include <string>

namespace tallivo {

// Where the core's message boxes and Yes/No questions go. The GUI answers with real dialogs,
// the command line with a fixed answer, tests with a script. All texts are GBK. There is no
// process-wide prompter: whoever may report is handed one.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // Default button is No: only an explicit Yes goes on.
    virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
};

}  // namespace tallivo
