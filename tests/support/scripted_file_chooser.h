#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "forms/file_chooser.h"

namespace tallivo::testing {

// Records every request; answers from a script, then as a cancelled dialog.
class ScriptedFileChooser : public FileChooser {
public:
    std::optional<std::string> Choose(const Request& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<Request> requests;
};

}  // namespace tallivo::testing
