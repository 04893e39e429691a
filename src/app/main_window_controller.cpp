#include "app/main_window_controller.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <algorithm>
#include <climits>

#include "app/edit_commands.h"
#include "app/editor_document.h"
#include "app/goods_grid_model.h"
#include "app/grid_keys.h"
#include "app/input_memo.h"
#include "app/order_list_commands.h"
#include "app/print_commands.h"
#include "app/template_boxes.h"
#include "app/tform_print.h"
#include "app/tform_replace.h"
#include "app/waybill_panel.h"
#include "app/window_prompter.h"
#include "app/workspace_signals.h"
#include "browser/handover_record.h"
#include "orders/gbk_string.h"
#include "storage/document_files.h"
#include "storage/file_kinds.h"
#include "storage/template_records.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"
#include "ui_tform_print.h"
#include "ui_tform_replace.h"

namespace tallivo {

template <typename F>
void MainWindowController::Quietly(F&& command) {
    ++quiet_;
    command();
    --quiet_;
}

MainWindowController::MainWindowController(TFormPrint& window, const std::string& programFolder,
                                           WindowPrompter* prompter, FileChooser* chooser,
                                           FontChooser* fonts, QObject* parent)
    : QObject(parent),
      window_(window),
      prompter_(prompter),
      chooser_(chooser),
      fonts_(fonts),
      signals_(std::make_unique<WorkspaceSignals>()) {
    Ui::TFormPrint& ui = *window_.ui();
    workspace_ = std::make_unique<FormsWorkspace>(
        programFolder, prompter, chooser,
        std::make_unique<EditorDocument>(ui.RichEditInvoice, false));
    workspace_->SetObserver(signals_.get());
    panel_ = std::make_unique<WaybillPanel>(ui.PanelFreightBill, ui.ImageFBBackground,
                                            ui.LabelFieldCoordinate, ui.PopupMenuRichEdit,
                                            &workspace_->FreightBill());
    grid_ = std::make_unique<GoodsGridModel>(&workspace_->Invoice().grid);
    ui.StringGridInvoice->setModel(grid_.get());
    workspace_->Invoice().grid.onFocusRequest = [&ui] { ui.StringGridInvoice->setFocus(); };
    edits_ = std::make_unique<EditCommands>(window_, *workspace_, *panel_, *fonts_);
    BindControls();
    BindCommands();
    print_ = std::make_unique<PrintCommands>(window_, *workspace_, *prompter_, nullptr, this);
    orderList_ = std::make_unique<OrderListCommands>(window_, *workspace_, *prompter_, chooser_,
                                                     *print_, this);
    orderList_->SetRebuildQuestion(
        [this] { return SaveOrDiscardUnsaved({FormKind::kFreightBill}); });
    window_.SetCloseQuery([this] { return FormCloseQuery(); });
    connect(&window_, &TFormPrint::formShow, this, &MainWindowController::FormShow);
    connect(&window_, &TFormPrint::pageControlPrintChange, this,
            &MainWindowController::PageControlPrintChange);
    connect(&window_, &TFormPrint::filesDropped, this, &MainWindowController::OpenDroppedFiles);
}

MainWindowController::~MainWindowController() {
    delete replace_.data();
    // The header outlives the workspace whose column widths it keeps.
    window_.ui()->StringGridInvoice->horizontalHeader()->disconnect(this);
    workspace_->Invoice().grid.onFocusRequest = nullptr;
    workspace_->SetObserver(nullptr);
    // Boxes and their editors go before the panel that follows them.
    ClearFreightBill(workspace_->FreightBill());
}

// --- controls that show the workspace -----------------------------------------------------

void MainWindowController::BindControls() {
    Ui::TFormPrint& ui = *window_.ui();
    boxes_ = std::make_unique<TemplateBoxes>(
        ui.ComboBoxFreightBill, ui.ComboBoxInvoice, *workspace_, *signals_,
        [this](FormKind kind, int i) { ComboBoxTemplateSelect(kind, i); }, this);
    BindInput();
    BindSettings();
    BindEdits();
}

void MainWindowController::BindInput() {
    Ui::TFormPrint& ui = *window_.ui();
    connect(ui.ComboBoxInputText, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int site) {
                if (!quiet_) workspace_->SetSourceSite(site);
            });
    connect(signals_.get(), &WorkspaceSignals::sourceSiteChanged, this, [this, &ui](int site) {
        Quietly([&] { ui.ComboBoxInputText->setCurrentIndex(site); });
    });
    connect(ui.MemoInputText, &QPlainTextEdit::textChanged, this, [this] { inputStale_ = true; });
    connect(signals_.get(), &WorkspaceSignals::replaceTextChanged, this, [this] {
        if (!replace_) return;
        const QString text = GbkToQString(workspace_->ReplaceText());
        if (replace_->ReplaceText() == text) return;
        replace_->SetReplaceText(text);
        replace_->ui()->EditReplace->selectAll();
    });
}

void MainWindowController::BindSettings() {
    Ui::TFormPrint& ui = *window_.ui();
    FormsWorkspace& ws = *workspace_;
    connect(ui.CheckBoxAutoFileName, &QCheckBox::toggled, this,
            [&ws](bool on) { ws.SetAutoFileName(on); });
    ws.SetAutoFileName(ui.CheckBoxAutoFileName->isChecked());
    // Sequence numbers have no limits.
    ui.CSpinEditFreightBillSN->setRange(INT_MIN, INT_MAX);
    ui.CSpinEditInvoiceSN->setRange(INT_MIN, INT_MAX);
    // The form's sizes follow the boxes always, so that a value a box clamps is the value used.
    const auto bind = [this](QSpinBox* box, bool always, auto set) {
        connect(box, qOverload<int>(&QSpinBox::valueChanged), this, [this, always, set](int v) {
            if (always || !quiet_) set(v);
        });
    };
    bind(ui.CSpinEditFreightBillSN, false,
         [&ws](int v) { ws.SetTypedSequenceNumber(FormKind::kFreightBill, v); });
    bind(ui.CSpinEditInvoiceSN, false,
         [&ws](int v) { ws.SetTypedSequenceNumber(FormKind::kInvoice, v); });
    bind(ui.CSpinEditFBWidth, true, [&ws](int v) { ws.FreightBill().printWidth = v; });
    bind(ui.CSpinEditBiasX, true, [&ws](int v) { ws.FreightBill().biasX = v; });
    bind(ui.CSpinEditBiasY, true, [&ws](int v) { ws.FreightBill().biasY = v; });
    bind(ui.CSpinEditInvoiceWidth, true, [&ws](int v) { ws.Invoice().printWidth = v; });
    connect(signals_.get(), &WorkspaceSignals::sequenceNumbersChanged, this,
            &MainWindowController::ShowSequenceNumbers);
    connect(signals_.get(), &WorkspaceSignals::formReset, this,
            &MainWindowController::ShowSettings);
}

void MainWindowController::BindEdits() {
    Ui::TFormPrint& ui = *window_.ui();
    const auto unsavedInvoice = [this] { workspace_->SetInvoiceUnsaved(true); };
    connect(ui.RichEditInvoice, &QTextEdit::textChanged, this, [this, &ui] {
        if (!quiet_ && ui.RichEditInvoice->document()->isModified())
            workspace_->SetInvoiceUnsaved(true);
    });
    connect(panel_.get(), &WaybillPanel::userChanged, this, [this] {
        if (!quiet_) workspace_->SetFreightBillUnsaved(true);
    });
    connect(grid_.get(), &GoodsGridModel::cellEdited, this, unsavedInvoice);
    InstallGridKeys(ui.StringGridInvoice, &workspace_->Invoice().grid, unsavedInvoice);
    // The printed table keeps the proportions of the columns as the seller set them.
    QHeaderView* header = ui.StringGridInvoice->horizontalHeader();
    std::vector<int>& widths = workspace_->Invoice().gridColumnWidths;
    widths.resize(GoodsGrid::kColumnCount);
    for (int c = 0; c < GoodsGrid::kColumnCount; ++c)
        widths[static_cast<std::size_t>(c)] = header->sectionSize(c);
    connect(header, &QHeaderView::sectionResized, this, [&widths](int c, int, int size) {
        if (c >= 0 && c < static_cast<int>(widths.size()))
            widths[static_cast<std::size_t>(c)] = size;
    });
}

void MainWindowController::ComboBoxTemplateSelect(FormKind kind, int index) {
    // Another template rebuilds the form as a tab change does, so it asks the same.
    if (!SaveOrDiscardUnsaved({kind})) return boxes_->ShowSelection(kind);
    workspace_->SetSelectedTemplate(kind, index);
    Quietly([&] { workspace_->ApplyTemplate(kind); });
}

void MainWindowController::ShowSettings(FormKind form) {
    Ui::TFormPrint& ui = *window_.ui();
    Quietly([&] {
        if (form == FormKind::kFreightBill) {
            const FreightBillForm& f = workspace_->FreightBill();
            ui.CSpinEditFBWidth->setValue(f.printWidth);
            ui.CSpinEditBiasX->setValue(f.biasX);
            ui.CSpinEditBiasY->setValue(f.biasY);
        } else {
            ui.CSpinEditInvoiceWidth->setValue(workspace_->Invoice().printWidth);
            ui.RichEditInvoice->document()->setModified(false);
        }
    });
}

void MainWindowController::ShowSequenceNumbers() {
    Ui::TFormPrint& ui = *window_.ui();
    Quietly([&] {
        ui.CSpinEditFreightBillSN->setValue(workspace_->FreightBillSN());
        ui.CSpinEditInvoiceSN->setValue(workspace_->InvoiceSN());
    });
}

// --- commands -------------------------------------------------------------------------------

void MainWindowController::BindCommands() {
    Ui::TFormPrint& ui = *window_.ui();
    FormsWorkspace& ws = *workspace_;
    const auto both = [this](QAction* item, QAbstractButton* button, auto command) {
        connect(item, &QAction::triggered, this, command);
        if (button) connect(button, &QAbstractButton::clicked, this, command);
    };
    both(ui.MenuItemNew, ui.SpeedButtonNew,
         [this, &ws] { Quietly([&] { ws.MenuItemNewClick(); }); });
    both(ui.MenuItemOpen, ui.SpeedButtonOpen, [this, &ws] {
        const std::optional<FormKind> form = FormOf(ws.CurrentTab());
        if (!form) return;
        Quietly([&] { ws.MenuItemOpenClick([&] { return SaveOrDiscardUnsaved({*form}); }); });
    });
    both(ui.MenuItemSave, ui.SpeedButtonSave, [&ws] { ws.MenuItemSaveClick(); });
    both(ui.MenuItemUpdate, ui.SpeedButtonUpdateText, [this] { SpeedButtonUpdateTextClick(); });
    both(ui.MenuItemClose, ui.SpeedButtonClose, [this] { window_.close(); });
    both(ui.MenuItemSetDefault, nullptr, [&ws] { ws.MenuItemSetDefaultClick(); });
    both(ui.MenuItemSaveTemplate, nullptr, [&ws] { ws.MenuItemSaveTemplateClick(); });
    both(ui.MenuItemExportTemplate, nullptr, [&ws] { ws.MenuItemExportTemplateClick(); });
    both(ui.MenuItemImportTemplate, nullptr, [&ws] { ws.MenuItemImportTemplateClick(); });
    both(ui.MenuItemDeleteTemplate, nullptr,
         [this, &ws] { Quietly([&] { ws.MenuItemDeleteTemplateClick(); }); });
    connect(ui.SpeedButtonBackground, &QAbstractButton::clicked, this,
            [&ws] { ws.SpeedButtonBackgroundClick(); });

    const QList<QAction*> keywords = ui.PopupMenuAddKeyWord->actions();
    for (QAction* item : keywords) {
        connect(item, &QAction::triggered, this,
                [this, item] { MenuItemPopupMenuAddKeyWordClick(item->text()); });
    }
    // The freight bill has no use for the last six keywords.
    connect(ui.PopupMenuAddKeyWord, &QMenu::aboutToShow, this, [this, keywords] {
        const Tab tab = workspace_->CurrentTab();
        if (tab == kTabInput) return;
        for (int i = 0; i < keywords.size(); ++i)
            keywords[i]->setVisible(tab == kTabInvoice || i < keywords.size() - 6);
    });
}

void MainWindowController::MenuItemPopupMenuAddKeyWordClick(const QString& caption) {
    FormsWorkspace& ws = *workspace_;
    if (ws.CurrentTab() == kTabFreightBill) {
        AddFieldBox(ws.FreightBill(), QStringToGbk(caption), 10, 250, 30, 100);
        ws.SetFreightBillUnsaved(true);
    } else if (ws.CurrentTab() == kTabInvoice) {
        RichTextDocument& body = ws.Invoice().Body();
        body.SetFocus();
        body.ReplaceSelection(QStringToGbk(caption));
    }
}

void MainWindowController::SyncInput() {
    if (!inputStale_) return;
    workspace_->SetInputText(
        WithCrLf(PastedUtf8ToGbk(window_.ui()->MemoInputText->PageText().toStdString())));
    inputStale_ = false;
}

TFormReplace* MainWindowController::CreateReplaceWindow() {
    auto* replace = new TFormReplace(&window_);
    workspace_->SetReplaceText(std::string());
    connect(replace->ui()->EditReplace, &QLineEdit::textEdited, this,
            [this](const QString& text) { workspace_->SetReplaceText(QStringToGbk(text)); });
    // Each command captures from the memo as it is now.
    const auto capture = [this](void (FormsWorkspace::*command)()) {
        return [this, command] {
            SyncInput();
            (workspace_.get()->*command)();
            ShowShippingInfoDoubts();
        };
    };
    connect(replace, &TFormReplace::replaceClicked, this, capture(&FormsWorkspace::Replace));
    connect(replace, &TFormReplace::replaceAllClicked, this, capture(&FormsWorkspace::ReplaceAll));
    connect(replace, &TFormReplace::findClicked, this, capture(&FormsWorkspace::FindNext));
    return replace;
}

void MainWindowController::ShowShippingInfoDoubts() {
    // Once per pasted text, however many commands and tabs it fills.
    const std::string doubts = workspace_->TakeShippingInfoDoubts();
    if (!doubts.empty()) prompter_->ShowInformation(Gbk(u8"提示：请核对收货信息"), doubts);
}

void MainWindowController::SpeedButtonUpdateTextClick() {
    if (replace_) {
        replace_->showNormal();
        replace_->show();
        replace_->raise();
        replace_->activateWindow();
        replace_->setFocus();
        return;
    }
    replace_ = CreateReplaceWindow();
    if (window_.ui()->CheckBoxAutoUpdate->isChecked()) {
        // Hidden, one Replace all, gone.
        replace_->MenuItemReplaceAllClick();
        delete replace_.data();
        return;
    }
    replace_->show();
    replace_->activateWindow();
    replace_->ui()->EditReplace->setFocus();
}

// --- start, tabs, close, hand-over ------------------------------------------------------------

void MainWindowController::FormShow() {
    workspace_->SetCurrentTab(static_cast<Tab>(window_.ui()->PageControlPrint->currentIndex()));
    // Start applies the templates; applying them again would repeat every message.
    Quietly([&] { workspace_->Start(); });
    boxes_->FocusShown();
}

void MainWindowController::PageControlPrintChange(int tab) {
    if (revertingTab_) return;
    const Tab previous = workspace_->CurrentTab();
    if (!SaveOrDiscardUnsaved({FormKind::kFreightBill, FormKind::kInvoice})) {
        // A save that did not happen keeps the form, and the tab it is on.
        revertingTab_ = true;
        window_.ui()->PageControlPrint->setCurrentIndex(previous);
        revertingTab_ = false;
        return;
    }
    Quietly([&] { workspace_->PageControlPrintChange(static_cast<Tab>(tab)); });
    boxes_->FocusShown();
}

bool MainWindowController::SaveOrDiscardUnsaved(std::initializer_list<FormKind> rebuilt) {
    static const std::string caption = Utf8ToGbk(u8"提示：尚未保存！");
    const struct {
        FormKind form;
        bool unsaved;
        const char* text;
    } forms[] = {
        {FormKind::kFreightBill, workspace_->FreightBillUnsaved(),
         u8"货运单尚未保存，重新载入模板会丢失所作的修改。\n选“是”先保存，选“否”放弃所作的修改。"},
        {FormKind::kInvoice, workspace_->InvoiceUnsaved(),
         u8"发货单尚未保存，重新载入模板会丢失所作的修改。\n选“是”先保存，选“否”放弃所作的修改。"},
    };
    for (const auto& f : forms) {
        if (!f.unsaved || std::find(rebuilt.begin(), rebuilt.end(), f.form) == rebuilt.end())
            continue;
        if (!prompter_->AskYesNoDefaultYes(caption, Utf8ToGbk(f.text))) continue;
        if (!workspace_->SaveForm(f.form)) return false;
    }
    return true;
}

bool MainWindowController::FormCloseQuery() {
    static const std::string caption = Utf8ToGbk(u8"提示：尚未保存！");
    if (workspace_->InvoiceUnsaved() &&
        !prompter_->AskYesNo(caption, Utf8ToGbk(u8"发货单尚未保存，确认退出吗？")))
        return false;
    if (workspace_->FreightBillUnsaved() &&
        !prompter_->AskYesNo(caption, Utf8ToGbk(u8"货运单尚未保存，确认退出吗？")))
        return false;
    return true;
}

void MainWindowController::PasteClipboard(bool replaceMemo) {
    InputMemo* memo = window_.ui()->MemoInputText;
    if (replaceMemo) memo->SetPageText(QString());
    memo->PasteClipboard();
}

bool MainWindowController::OpenFileArgument(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return false;
    const std::string file = info.absoluteFilePath().toStdString();
    const NamedFile named = KindOfNamedFile(file);
    const FormKind form = named.form;
    switch (named.what) {
        case NamedFile::kOther:
            return false;
        case NamedFile::kOrderExport:
            // An order export opens in the order list, as if chosen there.
            if (TFormOrders* orders = orderList_->MenuItemOrdersClick()) orders->OpenFiles({file});
            return true;
        case NamedFile::kExchangeFile:
            workspace_->ImportTemplateFile(form, file);
            return true;
        case NamedFile::kDocument:
            break;
    }
    // Read before the tab changes, so a damaged file leaves the current documents alone.
    const DocumentRead read = ReadDocument(form, file);
    if (!read.ok) {
        prompter_->ShowMessage(read.message);
        return true;
    }
    const Tab tab = TabOf(form);
    QTabWidget* tabs = window_.ui()->PageControlPrint;
    if (tabs->currentIndex() != tab) {
        // The tab change asks about both forms, and stays put when a save did not happen.
        tabs->setCurrentIndex(tab);
        if (tabs->currentIndex() != tab) return true;
    } else if (!SaveOrDiscardUnsaved({form})) {
        return true;
    }
    Quietly([&] { workspace_->OpenDocument(form, read, true); });
    return true;
}

void MainWindowController::OpenFileOnDisk(const QByteArray& name) {
    // Only a name that decodes back to the same bytes reaches the same file.
    const QString path = QFile::decodeName(name);
    if (QFile::encodeName(path) == name && OpenFileArguments(path)) return;
    prompter_->ShowMessage(QStringToGbk(QStringLiteral("无法打开文件“%1”。").arg(path)));
}

namespace {

constexpr qsizetype kLongestPath = 4096;

}  // namespace

bool MainWindowController::OpenFileArguments(const QString& text) {
    if (OpenFileArgument(text)) return true;
    // The arguments arrive joined by blanks, and a name may hold blanks itself: each name is
    // the shortest run of words that names one of our files.
    const QStringList words = text.split(QLatin1Char(' '));
    QStringList files;
    QString name;
    for (const QString& word : words) {
        name = name.isNull() ? word : name + QLatin1Char(' ') + word;
        // No file name is this long: the text is no list of files.
        if (name.size() > kLongestPath) return false;
        if (QFileInfo(name).isFile() &&
            KindOfNamedFile(QFileInfo(name).absoluteFilePath().toStdString()).what !=
                NamedFile::kOther) {
            files << name;
            name = QString();
        }
    }
    if (files.size() < 2 || !name.isNull()) return false;
    for (const QString& file : files) OpenFileArgument(file);
    return true;
}

void MainWindowController::OpenDroppedFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        if (!OpenFileArgument(path))
            prompter_->ShowMessage(QStringToGbk(QStringLiteral("无法打开文件“%1”。").arg(path)));
    }
}

void MainWindowController::ShowHandedOverPage(const std::string& address) {
    const browser::PageSite site = browser::PageSiteOfAddress(address);
    if (site == browser::PageSite::kTaobao) workspace_->SetSourceSite(kSiteTaobao);
    if (site == browser::PageSite::kPaipai) workspace_->SetSourceSite(kSitePaipai);
}

void MainWindowController::OpenCommandLine(quint32 tag, const QByteArray& text) {
    if (tag == browser::kFileArgumentTag) return OpenFileOnDisk(text);
    if (text.toStdString() == browser::kFromWebPage) return ReceiveHandover(tag, text);
    OpenFileArguments(GbkToQString(text.toStdString()));
}

void MainWindowController::ReceiveHandover(quint32 tag, const QByteArray& text) {
    if (browser::RecordLimit(tag) == 0) return;
    if (window_.isMinimized()) window_.showNormal();
    window_.raise();
    window_.activateWindow();
    InputMemo* memo = window_.ui()->MemoInputText;
    const std::string data = text.toStdString();
    if (tag == browser::kFileArgumentTag) return OpenFileOnDisk(text);
    if (tag == browser::kPageTextTag || tag == browser::kAddressedPageTag) {
        // The page itself travelled: the user's clipboard stays as it was.
        std::string address;
        std::string page = data;
        if (tag == browser::kAddressedPageTag) browser::SplitAddressedPage(data, &address, &page);
        memo->SetPageText(GbkToQString(page));
        return ShowHandedOverPage(address);
    }
    if (OpenFileArguments(GbkToQString(data))) return;
    const bool fromWebPage = data == browser::kFromWebPage;
    PasteClipboard(fromWebPage);
    if (fromWebPage) ShowHandedOverPage(std::string());
}

}  // namespace tallivo
