#pragma once

#include <QPointer>
#include <QWidget>

#include "app/window_prompter.h"

namespace tallivo {

// Message boxes owned by a window. Messages carry the application title as caption and an OK
// button; questions have Yes and No with No as the default; information boxes show the
// information icon.
class QtPrompter : public WindowPrompter {
public:
    explicit QtPrompter(QWidget* owner = nullptr) : owner_(owner) {}

    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    void ShowInformation(const std::string& caption, const std::string& text) override;
    // Yes is the default and the Escape answer.
    bool AskYesNoDefaultYes(const std::string& caption, const std::string& text) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace tallivo
