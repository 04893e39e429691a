#include "app/tform_orders.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <algorithm>

#include "app/consignee_paste.h"
#include "app/print_commands.h"
#include "app/tform_profile_mapping.h"
#include "forms/template_choice.h"
#include "orders/masked_details.h"
#include "session/order_batch.h"
#include "session/print_run.h"
#include "session/print_session.h"
#include "storage/config_file.h"
#include "storage/storage_result.h"
#include "text/gbk_codec.h"
#include "ui_tform_orders.h"

namespace tallivo {

namespace {

// Reading messages beyond these stay unsaid: the count says how many there were.
constexpr std::size_t kShownMessages = 20;

std::string Joined(const std::vector<std::string>& messages) {
    std::string text;
    for (std::size_t i = 0; i < messages.size() && i < kShownMessages; ++i)
        text += (text.empty() ? "" : "\n") + messages[i];
    if (messages.size() > kShownMessages)
        text += "\n" + Gbk(u8"……共") + std::to_string(messages.size()) + Gbk(u8"条提示");
    return text;
}

}  // namespace

TFormOrders::TFormOrders(FormsWorkspace& main, Prompter& prompter, FileChooser* chooser,
                         PrintCommands& print, QWidget* owner)
    : QWidget(owner, Qt::Window),
      ui_(new Ui::TFormOrders),
      main_(main),
      prompter_(prompter),
      chooser_(chooser),
      print_(print),
      ownMapper_(std::make_unique<DialogProfileMapper>(this)),
      mapper_(ownMapper_.get()) {
    ui_->setupUi(this);
    QTableView* grid = ui_->GridOrders;
    grid->setModel(&model_);
    // Rows of one height are laid out without asking each row: long lists scroll at once.
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    // A header click sorts; until then the files' order.
    grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid->setSortingEnabled(true);
    const int widths[] = {135, 75, 55, 190, 110, 55};
    for (int c = 0; c < static_cast<int>(std::size(widths)); ++c)
        grid->setColumnWidth(c, widths[c]);
    ui_->SplitterOrders->setStretchFactor(0, 3);
    ui_->SplitterOrders->setStretchFactor(1, 1);
    ui_->SplitterOrders->setSizes({840, 380});

    connect(ui_->ButtonOpen, &QPushButton::clicked, this, [this] { OpenClick(); });
    connect(ui_->ButtonPasteConsignees, &QPushButton::clicked, this, [this] {
        AddConsignees(model_, prompter_, QGuiApplication::clipboard()->text(),
                      QString::fromUtf8(u8"粘贴").toStdString());
    });
    connect(ui_->ComboFilter, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) {
                model_.SetFilter(static_cast<OrderListModel::Filter>(index));
                UpdateStatus();
            });
    connect(ui_->EditSearch, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_.SetSearch(text);
        UpdateStatus();
    });
    connect(ui_->ButtonSelectAll, &QPushButton::clicked, this, [this] { SelectAll(); });
    connect(ui_->ButtonSelectNone, &QPushButton::clicked, this, [this] { SelectNone(); });
    connect(ui_->ButtonSelectUnprinted, &QPushButton::clicked, this, [this] { SelectUnprinted(); });
    connect(ui_->ButtonPrintFreightBill, &QPushButton::clicked, this,
            [this] { PrintSelected(FormKind::kFreightBill); });
    connect(ui_->ButtonPrintInvoice, &QPushButton::clicked, this,
            [this] { PrintSelected(FormKind::kInvoice); });
    connect(ui_->ButtonPreviewFreightBill, &QPushButton::clicked, this,
            [this] { PreviewSelected(FormKind::kFreightBill); });
    connect(ui_->ButtonPreviewInvoice, &QPushButton::clicked, this,
            [this] { PreviewSelected(FormKind::kInvoice); });
    connect(ui_->ButtonClose, &QPushButton::clicked, this, &QWidget::close);
    connect(&print_, &PrintCommands::busyChanged, this, [this](bool busy) {
        ui_->ButtonPrintFreightBill->setEnabled(!busy);
        ui_->ButtonPrintInvoice->setEnabled(!busy);
    });
    connect(grid, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const Order* order = model_.OrderAt(index.row());
        if (order && order->Masked())
            prompter_.ShowMessage(MaskedOrderMessage(*order));
        else if (order)
            emit orderChosen(*order);
    });
    connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateStatus(); });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { UpdateStatus(); });
    RefreshPrinted();
}

TFormOrders::~TFormOrders() = default;

void TFormOrders::SetProfileMapper(ProfileMapper* mapper) {
    mapper_ = mapper ? mapper : ownMapper_.get();
}

bool TFormOrders::OpenFiles(const std::vector<std::string>& all) {
    // Text files hold pasted consignees, not an export.
    std::vector<std::string> files;
    std::vector<std::string> texts;
    for (const std::string& file : all) (IsConsigneeTextFile(file) ? texts : files).push_back(file);
    if (!texts.empty() && AddConsigneeFiles(model_, prompter_, texts) > 0 && files.empty())
        return true;
    if (files.empty()) return false;
    const ProfileSet profiles = OrderProfiles(main_.ProgramFolder());
    OrdersRead read = ReadOrders(files, profiles.profiles);
    std::vector<std::string> messages = profiles.messages;
    std::vector<std::string> mapped;
    for (const OrdersRead::Unrecognised& file : read.unrecognised) {
        const std::optional<OrderProfile> profile = mapper_->Map(file.file, file.header);
        if (!profile) continue;
        // Saved for the next file with this header; the orders are read all the same.
        const StorageResult saved = SaveUserProfile(main_.ProgramFolder(), *profile);
        if (!saved.ok) messages.push_back(saved.message);
        OrdersRead more = ReadOrders({file.file}, {}, &*profile);
        read.messages.insert(read.messages.end(), more.messages.begin(), more.messages.end());
        for (Order& order : more.orders) read.orders.push_back(std::move(order));
        read.ok = read.ok || more.ok;
        mapped.push_back(Utf8ToGbk(file.file));
    }
    const std::string unknown = Gbk(u8"表头无法识别");
    for (const std::string& m : read.messages) {
        // The header the user has just mapped needs no word.
        const bool answered = m.find(unknown) != std::string::npos &&
                              std::any_of(mapped.begin(), mapped.end(), [&m](const std::string& f) {
                                  return m.find(f) != std::string::npos;
                              });
        if (!answered) messages.push_back(m);
    }
    // Said once for the files, not per order: the list shows each such order greyed.
    if (!read.orders.empty() && std::all_of(read.orders.begin(), read.orders.end(),
                                            [](const Order& order) { return order.Masked(); })) {
        messages.push_back(
            Gbk(u8"这些订单的收货人、手机或收货地址在导出的文件中都已隐藏（打了星号或已加密），"
                u8"无法填写。请在后台导出时选择显示收货信息，或复制订单的页面粘贴到“输入文本”。"));
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    model_.AddOrders(std::move(read.orders));
    QApplication::restoreOverrideCursor();
    RefreshPrinted();
    if (!messages.empty()) prompter_.ShowMessage(Joined(messages));
    return read.ok;
}

void TFormOrders::OpenClick() {
    if (!chooser_) return;
    FileChooser::Request request;
    request.title = Gbk(u8"打开订单文件");
    request.filter = Gbk(u8"订单文件 (*.csv;*.xlsx)|*.csv;*.xlsx|任意格式 (*.*)|*.*");
    request.filterIndex = 1;
    const std::vector<std::string> files = chooser_->ChooseMany(request);
    OpenFiles(files);
}

void TFormOrders::RefreshPrinted() {
    PrintHistory& history = print_.History();
    std::optional<PrintedOrders> printed = ReadPrintedOrders(history, model_.TradeNumbers());
    if (printed) {
        model_.SetPrinted(std::move(*printed));
    } else {
        // An unreadable history is no sign that nothing was printed.
        model_.SetPrintedUnknown();
    }
    UpdateStatus();
    const std::string message = history.TakeMessage();
    if (!message.empty()) prompter_.ShowMessage(message);
}

void TFormOrders::SelectAll() {
    ui_->GridOrders->selectAll();
}

void TFormOrders::SelectNone() {
    ui_->GridOrders->clearSelection();
}

void TFormOrders::SelectUnprinted() {
    // Without the history no order is known to be unprinted.
    if (!model_.PrintedKnown()) {
        ui_->GridOrders->clearSelection();
        return;
    }
    // One range per run of unprinted rows, so that selecting is not a signal per row.
    QItemSelection selection;
    const int rows = model_.rowCount();
    const int last = model_.columnCount() - 1;
    auto wanted = [this](int row) { return !model_.PrintedAt(row) && !model_.MaskedAt(row); };
    for (int row = 0; row < rows;) {
        if (!wanted(row)) {
            ++row;
            continue;
        }
        int end = row;
        while (end + 1 < rows && wanted(end + 1)) ++end;
        selection.select(model_.index(row, 0), model_.index(end, last));
        row = end + 1;
    }
    ui_->GridOrders->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

std::vector<const Order*> TFormOrders::SelectedOrders() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : ui_->GridOrders->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<const Order*> orders;
    orders.reserve(rows.size());
    for (int row : rows) {
        // "全选" takes whole ranges, masked rows within them too.
        const Order* order = model_.OrderAt(row);
        if (order && !order->Masked()) orders.push_back(order);
    }
    return orders;
}

std::unique_ptr<FormsWorkspace> TFormOrders::BatchWorkspace(FormKind form) {
    auto ws = std::make_unique<FormsWorkspace>(main_.ProgramFolder(), &prompter_, nullptr);
    ws->SetCurrentTab(TabOf(form));
    const TemplateEntry* selected = main_.Templates(form).Selected();
    const TemplateChoice choice =
        ChooseTemplate(*ws, form, selected ? GbkToUtf8(selected->name) : std::string());
    if (!choice.Chosen()) {
        prompter_.ShowMessage(Utf8ToGbk(choice.failure));
        return nullptr;
    }
    ws->SetSourceSite(main_.SourceSite());
    // The form of the template, so that what it lacks (a background) shows before any order.
    ws->ResetCurrentForm();
    return ws;
}

namespace {

// The progress of filling the orders, put away before every question.
class OrderSteps : public RunHost {
public:
    OrderSteps(QWidget* owner, int orders) : owner_(owner), orders_(orders) {}
    bool Step(int done, int total) override {
        if (!progress_) {
            progress_ = std::make_unique<QProgressDialog>(owner_);
            progress_->setObjectName(QStringLiteral("ProgressOrders"));
            progress_->setWindowTitle(owner_->windowTitle());
            progress_->setLabelText(QString::fromUtf8(u8"正在准备打印 %1 个订单……").arg(orders_));
            progress_->setWindowModality(Qt::WindowModal);
            progress_->setMinimumDuration(500);
            progress_->setRange(0, total);
        }
        progress_->setValue(done);
        // Its Cancel is seen also before it shows; the print commands are off meanwhile.
        QCoreApplication::processEvents();
        return !progress_->wasCanceled();
    }
    void StepsDone() override { progress_.reset(); }

private:
    QWidget* owner_;
    int orders_;
    std::unique_ptr<QProgressDialog> progress_;
};

}  // namespace

int TFormOrders::PrintSelected(FormKind form) {
    if (print_.Busy()) return 0;
    const std::vector<const Order*> orders = SelectedOrders();
    if (orders.empty()) {
        prompter_.ShowMessage(Gbk(u8"请先选择要打印的订单。"));
        return 0;
    }
    std::unique_ptr<FormsWorkspace> ws = BatchWorkspace(form);
    if (!ws) return 0;
    OrderPages pages(*ws, form, orders);
    OrderSteps steps(this, static_cast<int>(orders.size()));
    PrintRequest request;
    request.numbered = true;
    const RunResult result = print_.Print(*ws, form, pages, request, &steps);
    if (!result.out.printAsked) return 0;
    RefreshPrinted();
    return result.out.print.ok ? result.printed : 0;
}

void TFormOrders::PreviewSelected(FormKind form) {
    std::vector<const Order*> orders = SelectedOrders();
    if (orders.empty()) {
        prompter_.ShowMessage(Gbk(u8"请先选择要预览的订单。"));
        return;
    }
    if (orders.size() > static_cast<std::size_t>(kPreviewPages)) orders.resize(kPreviewPages);
    std::unique_ptr<FormsWorkspace> ws = BatchWorkspace(form);
    if (!ws) return;
    PrintSession session(*ws, form, print_.Services());
    std::vector<QImage> pages;
    int width = 0;
    int height = 0;
    constexpr int kGap = 12;
    const std::int32_t invoiceSn = ws->InvoiceSN();
    const std::int32_t freightSn = ws->FreightBillSN();
    for (std::size_t i = 0; i < orders.size(); ++i) {
        ws->SetInvoiceSN(AddSequenceNumber(invoiceSn, i));
        ws->SetFreightBillSN(AddSequenceNumber(freightSn, i));
        FillOrder(*ws, *orders[i]);
        QImage page = session.Preview(logicalDpiX(), logicalDpiY(), prompter_);
        if (page.isNull()) return;
        width = std::max(width, page.width());
        height += page.height() + (i ? kGap : 0);
        pages.push_back(std::move(page));
    }
    QImage all(width, height, QImage::Format_RGB32);
    if (all.isNull()) {
        prompter_.ShowMessage(OutOfMemoryMessage());
        return;
    }
    all.fill(palette().color(QPalette::Mid));
    QPainter painter(&all);
    int top = 0;
    for (const QImage& page : pages) {
        painter.drawImage((width - page.width()) / 2, top, page);
        top += page.height() + kGap;
    }
    painter.end();
    // Narrowed to the pane, so that the pages read one below the other without scrolling aside.
    const int room = ui_->ScrollPreview->viewport()->width() - 4;
    if (room > 0 && all.width() > room) all = all.scaledToWidth(room, Qt::SmoothTransformation);
    ui_->ImagePreview->setPixmap(QPixmap::fromImage(all));
}

void TFormOrders::UpdateStatus() {
    // Counted by ranges: a hundred thousand chosen rows make no index each.
    int selected = 0;
    for (const QItemSelectionRange& range : ui_->GridOrders->selectionModel()->selection())
        selected += range.height();
    ui_->LabelStatus->setText(QString::fromUtf8(u8"共 %1 个订单，显示 %2 个，选中 %3 个")
                                  .arg(model_.OrderCount())
                                  .arg(model_.rowCount())
                                  .arg(selected));
}

void TFormOrders::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormOrders::dropEvent(QDropEvent* event) {
    std::vector<std::string> files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    }
    event->acceptProposedAction();
    OpenFiles(files);
}

}  // namespace tallivo
