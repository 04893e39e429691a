// The workspace's announcements as Qt signals, for widgets to connect to.
#pragma once

#include <QObject>

#include "forms/workspace_observer.h"

namespace tallivo {

class WorkspaceSignals : public QObject, public WorkspaceObserver {
    Q_OBJECT
public:
    using QObject::QObject;

    void UnsavedChanged(FormKind form, bool unsaved) override {
        emit unsavedChanged(form, unsaved);
    }
    void TemplatesChanged(FormKind kind) override { emit templatesChanged(kind); }
    void TemplateSelected(FormKind kind, int index) override { emit templateSelected(kind, index); }
    void TabChanged(Tab tab) override { emit tabChanged(tab); }
    void SequenceNumbersChanged() override { emit sequenceNumbersChanged(); }
    void SourceSiteChanged(int site) override { emit sourceSiteChanged(site); }
    void InputTextChanged() override { emit inputTextChanged(); }
    void ReplaceTextChanged() override { emit replaceTextChanged(); }
    void FormReset(FormKind form) override { emit formReset(form); }

signals:
    void unsavedChanged(tallivo::FormKind form, bool unsaved);
    void templatesChanged(tallivo::FormKind kind);
    void templateSelected(tallivo::FormKind kind, int index);
    void tabChanged(tallivo::Tab tab);
    void sequenceNumbersChanged();
    void sourceSiteChanged(int site);
    void inputTextChanged();
    void replaceTextChanged();
    void formReset(tallivo::FormKind form);
};

}  // namespace tallivo
