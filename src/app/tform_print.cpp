#include "app/tform_print.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QShowEvent>

#include "app/context_menu.h"
#include "app/menu_style.h"
#include "app/paste_guard.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

// The layout's font is 15 pixels high; a .ui file can only give point sizes.
constexpr int kFontPixelSize = 15;
constexpr int kDesignLeft = 309;
constexpr int kDesignTop = 169;

void LimitComboText(QComboBox* combo, int maxLength) {
    if (QLineEdit* edit = combo->lineEdit()) edit->setMaxLength(maxLength);
}

// uic builds the tab pages without a parent and adds them last, and a QTextEdit lays its empty
// document out before it takes its parent's font: their widgets would first be laid out in the
// application's font, loading its engines only to drop them. While the window builds them, the
// application's font is the window's; afterwards it is the same value as before (which it then
// keeps, should the desktop's font change while the program runs).
class WindowFontWhileBuilding {
public:
    explicit WindowFontWhileBuilding(const QFont& window) : before_(QApplication::font()) {
        QApplication::setFont(window);
    }
    ~WindowFontWhileBuilding() { QApplication::setFont(before_); }
    WindowFontWhileBuilding(const WindowFontWhileBuilding&) = delete;
    WindowFontWhileBuilding& operator=(const WindowFontWhileBuilding&) = delete;

private:
    const QFont before_;
};

}  // namespace

TFormPrint::TFormPrint(QWidget* parent) : QMainWindow(parent), ui_(new Ui::TFormPrint) {
    // Set before the children exist: afterwards every one of them would be told of the change.
    QFont designFont = font();
    designFont.setFamilies({QStringLiteral("宋体")});
    designFont.setPixelSize(kFontPixelSize);
    // The font's own hinting: the light hinting fontconfig asks for runs FreeType's auto-hinter
    // on every glyph, which for this face cost milliseconds at start-up in glyph metrics alone.
    designFont.setHintingPreference(QFont::PreferFullHinting);
    setFont(designFont);
    {
        const WindowFontWhileBuilding building(designFont);
        ui_->setupUi(this);
    }
    // The editors' documents are printed, and their fonts come from here: they keep the hinting
    // the documents were always laid out with.
    QFont documentFont = designFont;
    documentFont.setHintingPreference(QFont::PreferDefaultHinting);
    ui_->RichEditInvoice->setFont(documentFont);
    ui_->PanelFreightBill->setFont(documentFont);
    // The grid's columns were laid out for these widths: full hinting rounds each digit up and
    // cuts "10.00" short in the postage column.
    ui_->StringGridInvoice->setFont(documentFont);
    // Fixed border with system menu and minimise, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    move(kDesignLeft, kDesignTop);
    setAcceptDrops(true);
    ui_->MemoInputText->viewport()->installEventFilter(this);
    ui_->RichEditInvoice->viewport()->installEventFilter(this);

    EmptyClipboardGuard::Install();
    SetUpControls();
    SetUpMenus();
    connect(ui_->PageControlPrint, &QTabWidget::currentChanged, this,
            [this](int tab) { PageControlPrintChange(tab); });
}

TFormPrint::~TFormPrint() = default;

QList<QMenu*> TFormPrint::PopupMenus() const {
    return {ui_->PopupMenuFile,      ui_->PopupMenuEdit,     ui_->PopupMenuFormat,
            ui_->PopupMenuTemplate,  ui_->PopupMenuRichEdit, ui_->PopupMenuHelp,
            ui_->PopupMenuAddKeyWord};
}

void TFormPrint::SetUpControls() {
    LimitComboText(ui_->ComboBoxInputText, 255);
    LimitComboText(ui_->ComboBoxFreightBill, 255);
    LimitComboText(ui_->ComboBoxInvoice, 128);
}

void TFormPrint::SetUpMenus() {
    ui_->ToolButtonFile->setMenu(ui_->PopupMenuFile);
    ui_->ToolButtonEdit->setMenu(ui_->PopupMenuEdit);
    ui_->ToolButtonFormat->setMenu(ui_->PopupMenuFormat);
    ui_->ToolButtonTemplate->setMenu(ui_->PopupMenuTemplate);
    ui_->ToolButtonHelp->setMenu(ui_->PopupMenuHelp);

    ui_->PopupMenuFile->setDefaultAction(ui_->MenuItemNew);
    ui_->PopupMenuEdit->setDefaultAction(ui_->MenuItemCopy);
    ui_->PopupMenuFormat->setDefaultAction(ui_->MenuItemFont);
    ui_->PopupMenuTemplate->setDefaultAction(ui_->MenuItemSaveTemplate);
    ui_->PopupMenuRichEdit->setDefaultAction(ui_->MenuItemPopupParagraphFont);
    ui_->PopupMenuHelp->setDefaultAction(ui_->MenuItemHelp);

    // The keyword menu opens under its button.
    connect(ui_->SpeedButtonAddKeyWord, &QAbstractButton::clicked, this, [this] {
        QWidget* button = ui_->SpeedButtonAddKeyWord;
        ui_->PopupMenuAddKeyWord->popup(button->mapToGlobal(QPoint(0, button->height())));
    });

    // The File menu is the window's context menu, so its shortcuts work anywhere in it; the
    // edit menus are the editors' context menus and their shortcuts work while they have the
    // focus. F1 is the window's own.
    UseContextMenu(ui_->centralwidget, ui_->PopupMenuFile);
    UseContextMenu(ui_->MemoInputText, ui_->PopupMenuEdit);
    UseContextMenu(ui_->RichEditInvoice, ui_->PopupMenuRichEdit);
    UseMenuShortcuts(this, ui_->PopupMenuFile);
    UseMenuShortcuts(ui_->MemoInputText, ui_->PopupMenuEdit);
    UseMenuShortcuts(ui_->RichEditInvoice, ui_->PopupMenuRichEdit);
    ui_->MenuItemHelp->setShortcutContext(Qt::WindowShortcut);
    addAction(ui_->MenuItemHelp);

    menuStyle_ = new MenuStyle(font().family());
    menuStyle_->setParent(this);
    for (QMenu* menu : PopupMenus()) MakeMenuOwnerDrawn(menu, menuStyle_);
}

void TFormPrint::FormShow() {
    emit formShow();
}

bool TFormPrint::FormCloseQuery() {
    return closeQuery_ ? closeQuery_() : true;
}

void TFormPrint::FormClose() {
    emit formClose();
}

void TFormPrint::PageControlPrintChange(int tab) {
    emit pageControlPrintChange(tab);
}

void TFormPrint::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_ || event->spontaneous()) return;
    shown_ = true;
    // The first show builds the template's boxes.
    const WindowFontWhileBuilding building(font());
    FormShow();
}

void TFormPrint::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

namespace {

QStringList LocalFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) files << url.toLocalFile();
    }
    return files;
}

}  // namespace

bool TFormPrint::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (LocalFiles(drop->mimeData()).isEmpty()) break;
            if (event->type() == QEvent::Drop) {
                dropEvent(drop);
            } else {
                drop->acceptProposedAction();
            }
            return true;
        }
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormPrint::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormPrint::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    // After the drop has ended: opening may ask questions.
    QMetaObject::invokeMethod(
        this, [this, files] { emit filesDropped(files); }, Qt::QueuedConnection);
}

}  // namespace tallivo
