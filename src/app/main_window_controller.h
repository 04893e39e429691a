// Binds the main window to the workspace: start-up and close, the tab change, the template
// boxes and settings, the file and template commands, the replace window and the hand-over.
// The window shows; the workspace decides.
#pragma once

#include <QObject>
#include <QPointer>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/tform_replace.h"
#include "forms/workspace.h"

namespace tallivo {

class EditCommands;
class FileChooser;
class FontChooser;
class GoodsGridModel;
class OrderListCommands;
class PrintCommands;
class TemplateBoxes;
class TFormPrint;
class WaybillPanel;
class WindowPrompter;
class WorkspaceSignals;

class MainWindowController : public QObject {
    Q_OBJECT
public:
    MainWindowController(TFormPrint& window, const std::string& programFolder,
                         WindowPrompter* prompter, FileChooser* chooser, FontChooser* fonts,
                         QObject* parent = nullptr);
    ~MainWindowController() override;

    FormsWorkspace& Workspace() { return *workspace_; }
    TFormReplace* ReplaceWindow() const { return replace_; }
    EditCommands& Edits() { return *edits_; }

    // A hand-over record from a second start or from the browser host (GBK text).
    void ReceiveHandover(quint32 tag, const QByteArray& text);
    // The command line of this, the first start, as a hand-over record: a page from the
    // browser, or a file to open; anything else is left alone.
    void OpenCommandLine(quint32 tag, const QByteArray& text);
    // Pastes the clipboard's text into the memo, in place of what was there when replaceMemo.
    void PasteClipboard(bool replaceMemo);
    // A document (.pfb, .pin) opens on its tab; an exchange file (.pff, .pif) is imported with
    // the import command's questions. False when the path names no such existing file.
    bool OpenFileArgument(const QString& path);
    // The same for a name as the file system holds it; says so when it cannot be opened.
    void OpenFileOnDisk(const QByteArray& name);
    // A command line naming one file, or several separated by blanks: each opens as above.
    // False when it does not consist of such files.
    bool OpenFileArguments(const QString& text);
    // Files dropped on the window, each as if named on the command line.
    void OpenDroppedFiles(const QStringList& paths);

    TFormPrint& Window() { return window_; }

    void FormShow();
    bool FormCloseQuery();
    void PageControlPrintChange(int tab);
    void SpeedButtonUpdateTextClick();
    // After a page came from the browser: its site, when known. The tab stays, so the forms the
    // seller works on are neither asked about nor rebuilt.
    void ShowHandedOverPage(const std::string& address);
    void MenuItemPopupMenuAddKeyWordClick(const QString& caption);

private:
    void BindControls();
    void BindInput();
    void BindSettings();
    void BindEdits();
    void BindCommands();
    void ComboBoxTemplateSelect(FormKind kind, int index);
    void ShowSettings(FormKind form);
    void ShowSequenceNumbers();
    // Asks before the given forms are rebuilt from their templates; false when an unsaved one
    // the user chose to keep could not be saved.
    bool SaveOrDiscardUnsaved(std::initializer_list<FormKind> rebuilt);
    // The memo's text into the workspace when it changed since the last capture command.
    void SyncInput();
    // Runs a workspace command; changes it makes to the editors are not the user's.
    template <typename F>
    void Quietly(F&& command);
    TFormReplace* CreateReplaceWindow();
    // What the recogniser doubted in shipping info, once per text.
    void ShowShippingInfoDoubts();

    TFormPrint& window_;
    WindowPrompter* prompter_;
    FileChooser* chooser_;
    FontChooser* fonts_;
    std::unique_ptr<WorkspaceSignals> signals_;
    std::unique_ptr<FormsWorkspace> workspace_;
    std::unique_ptr<WaybillPanel> panel_;
    std::unique_ptr<GoodsGridModel> grid_;
    std::unique_ptr<TemplateBoxes> boxes_;
    std::unique_ptr<EditCommands> edits_;
    QPointer<TFormReplace> replace_;
    std::unique_ptr<PrintCommands> print_;
    std::unique_ptr<OrderListCommands> orderList_;
    bool inputStale_ = true;
    bool revertingTab_ = false;
    int quiet_ = 0;
};

}  // namespace tallivo
