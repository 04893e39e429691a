#pragma once

#include <string>

#include "text/message_sink.h"

namespace tallivo {

// The window's prompter: the core's messages and questions, and information boxes that carry
// a caption of their own. Texts are GBK.
class WindowPrompter : public Prompter {
public:
    virtual void ShowInformation(const std::string& caption, const std::string& text) = 0;
    // A question whose default answer is Yes, for a choice where Yes is the one that loses
    // nothing.
    virtual bool AskYesNoDefaultYes(const std::string& caption, const std::string& text) {
        return AskYesNo(caption, text);
    }
};

}  // namespace tallivo
