// What the workspace announces, so that a window follows it without polling. Free of Qt: the
// window adapts it to signals. The forms and the goods grid announce their own changes through
// FreightBillListener and GoodsGridListener.
#pragma once

#include "capture/capture_host.h"
#include "storage/template_store.h"

namespace tallivo {

class WorkspaceObserver {
public:
    virtual ~WorkspaceObserver() = default;
    virtual void UnsavedChanged(FormKind form, bool unsaved) { (void)form, (void)unsaved; }
    // Items or edit text of a template list changed.
    virtual void TemplatesChanged(FormKind kind) { (void)kind; }
    virtual void TemplateSelected(FormKind kind, int index) { (void)kind, (void)index; }
    virtual void TabChanged(Tab tab) { (void)tab; }
    virtual void SequenceNumbersChanged() {}
    virtual void SourceSiteChanged(int site) { (void)site; }
    virtual void InputTextChanged() {}
    virtual void ReplaceTextChanged() {}
    // A form was rebuilt as a whole (template applied, document opened, cleared): its settings
    // and text are to be read afresh.
    virtual void FormReset(FormKind form) { (void)form; }
};

}  // namespace tallivo
