// The two template boxes: their items, selection and edit text follow the workspace, Enter
// moves on to the next control, and a template the user picks is handed to the owner, which
// may refuse it.
#pragma once

#include <QObject>
#include <functional>

#include "forms/workspace.h"

class QComboBox;

namespace tallivo {

class WorkspaceSignals;
class TemplateNames;

class TemplateBoxes : public QObject {
public:
    using Chosen = std::function<void(FormKind kind, int index)>;
    TemplateBoxes(QComboBox* freightBill, QComboBox* invoice, FormsWorkspace& workspace,
                  WorkspaceSignals& announcements, Chosen chosen, QObject* parent = nullptr);

    void Fill(FormKind kind);
    // The selected template and the edit text, without refilling the items.
    void ShowSelection(FormKind kind);
    // The box of the tab now shown takes the focus.
    void FocusShown();

private:
    QComboBox* Box(FormKind kind) const;

    QComboBox* freightBill_;
    QComboBox* invoice_;
    PerForm<TemplateNames*> names_{};
    FormsWorkspace& workspace_;
    Chosen chosen_;
    bool quiet_ = false;
};

}  // namespace tallivo
