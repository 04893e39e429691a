#include "forms/workspace.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextBlock>
#include <deque>

#include "forms/form_values.h"
#include "recording_prompter.h"
#include "scripted_file_chooser.h"
#include "storage/byte_codec.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using ScriptedChooser = testing::ScriptedFileChooser;

std::string Field(std::int32_t value) {
    std::string out;
    AppendNumberField(out, value);
    return out;
}

class Workspace : public ::testing::Test {
protected:
    Workspace() : ws(dir.path().toStdString(), &prompter, &chooser) {}

    std::string In(const std::string& relative) const {
        return JoinPath(ws.ProgramFolder(), relative);
    }
    static bool Exists(const std::string& path) {
        return QFileInfo::exists(QString::fromStdString(path));
    }
    static std::string Bytes(const std::string& path) { return ReadWholeFile(path).value_or(""); }

    // A freight bill with one box and a picture, saved under `name`.
    void SaveFreightBillTemplate(const std::string& gbkName) {
        ws.SetCurrentTab(kTabFreightBill);
        ClearFreightBill(ws.FreightBill());
        ws.FreightBill().background = QImage(734, 300, QImage::Format_RGB32);
        ws.FreightBill().background.fill(Qt::gray);
        AddFieldBox(ws.FreightBill(), Gbk(u8"{收货人}"), 10, 250, 31, 100);
        ws.SetTemplateEditText(FormKind::kFreightBill, gbkName);
        ws.MenuItemSaveTemplateClick();
    }

    QTemporaryDir dir;
    testing::RecordingPrompter prompter;
    ScriptedChooser chooser;
    FormsWorkspace ws;
};

TEST_F(Workspace, FreightBillRecordKeepsBoxOrderAndFieldOrder) {
    AddFieldBox(ws.FreightBill(), "first", 12, 8, 40, 300);
    AddFieldBox(ws.FreightBill(), "second", 1, 2, 3, 4);
    ws.FreightBill().printWidth = 200;
    ws.FreightBill().biasX = -5;
    std::string record;
    WriteFreightBillRecord(record, ws.FreightBill(), "a.jpg");
    // Name, width, offsets, count, separator, then left, top, height, width.
    const std::string head = Field(5) + "a.jpg" + Field(200) + Field(-5) + Field(0) + Field(2) +
                             "\n" + Field(12) + Field(8) + Field(40) + Field(300);
    EXPECT_EQ(record.substr(0, head.size()), head);

    FreightBillForm back;
    EXPECT_TRUE(ApplyFreightBillRecord(back, record, ws.ProgramFolder(), &prompter));
    ASSERT_EQ(back.boxes.size(), 2u);
    EXPECT_EQ(back.boxes[0]->content->PlainText(), "first");
    EXPECT_EQ(back.boxes[1]->content->PlainText(), "second");
    EXPECT_EQ(back.boxes[1]->height, 3);
    EXPECT_EQ(back.boxes[1]->width, 4);
    EXPECT_EQ(back.printWidth, 200);
    // a.jpg does not exist: the picture reports itself, the rest still applies.
    EXPECT_EQ(prompter.messages, std::vector<std::string>{Gbk(u8"无法打开背景图片文件！")});
}

TEST_F(Workspace, DamagedFreightBillRecordKeepsWhatWasApplied) {
    std::string record = Field(0) + Field(250) + Field(7) + Field(-9) + Field(1) + "X";
    EXPECT_FALSE(ApplyFreightBillRecord(ws.FreightBill(), record, ws.ProgramFolder(), &prompter));
    EXPECT_EQ(ws.FreightBill().printWidth, 250);
    EXPECT_EQ(ws.FreightBill().biasY, -9);
    EXPECT_EQ(prompter.messages.back(), Gbk(u8"读取货运单文件有误，文件版本不对或已被破坏！"));
    // Values the spin edits cannot hold are clamped, not kept.
    record = Field(0) + Field(0) + Field(9999) + Field(-9999) + Field(0) + "\n";
    EXPECT_TRUE(ApplyFreightBillRecord(ws.FreightBill(), record, ws.ProgramFolder(), &prompter));
    EXPECT_EQ(ws.FreightBill().printWidth, kMinPrintWidth);
    EXPECT_EQ(ws.FreightBill().biasX, kMaxBias);
    EXPECT_EQ(ws.FreightBill().biasY, kMinBias);
}

// A batch puts the template read once on the form order after order: the boxes must be those
// reading the record gives, formats and empty paragraphs included, and a changed record must be
// read again.
TEST_F(Workspace, TemplateReadOnceGivesTheRecordsBoxes) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}"
        "{\\f1\\fswiss Arial;}}{\\colortbl ;\\red200\\green0\\blue0;}"
        "\\pard\\qc\\f1\\fs40\\b {\\cf1 Big} red\\b0\\par\\pard\\fs60\\par"
        "\\pard\\qr\\f0\\fs18\\i small\\i0  {\\ul right}\\par}";
    FreightBillForm source;
    AddFieldBox(source, rtf, 1, 2, 3, 4);
    AddFieldBox(source, "plain\r\n\r\nlines", 5, 6, 7, 8);
    std::string record;
    WriteFreightBillRecord(record, source, "");
    FreightBillForm read, parsed;
    ASSERT_TRUE(ApplyFreightBillRecord(read, record, ws.ProgramFolder(), &prompter));
    ASSERT_TRUE(ApplyFreightBillTemplate(parsed, ParseFreightBillTemplate(record),
                                         ws.ProgramFolder(), &prompter));
    ASSERT_EQ(parsed.boxes.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const QTextDocument& a = *read.boxes[i]->content->Document();
        const QTextDocument& b = *parsed.boxes[i]->content->Document();
        EXPECT_EQ(parsed.boxes[i]->content->ToRtf(), read.boxes[i]->content->ToRtf());
        ASSERT_EQ(b.blockCount(), a.blockCount());
        for (QTextBlock x = a.begin(), y = b.begin(); x.isValid(); x = x.next(), y = y.next()) {
            EXPECT_EQ(y.text(), x.text());
            EXPECT_EQ(y.blockFormat(), x.blockFormat());
            EXPECT_EQ(y.charFormat(), x.charFormat());
            for (auto f = x.begin(), g = y.begin(); !f.atEnd(); ++f, ++g) {
                ASSERT_FALSE(g.atEnd());
                EXPECT_EQ(g.fragment().text(), f.fragment().text());
                EXPECT_EQ(g.fragment().charFormat(), f.fragment().charFormat());
            }
        }
        EXPECT_FALSE(b.isUndoAvailable());
    }

    ws.SetCurrentTab(kTabFreightBill);
    for (const char* text : {"one", "two"}) {
        FreightBillForm form;
        AddFieldBox(form, text, 0, 0, 10, 10);
        std::string bytes;
        ws.AddTemplateEntry(FormKind::kFreightBill,
                            {text, WriteFreightBillRecord(bytes, form, "")});
    }
    for (int index : {0, 1, 0}) {
        ws.SetSelectedTemplate(FormKind::kFreightBill, index);
        ws.ResetCurrentForm();
        ASSERT_EQ(ws.FreightBill().boxes.size(), 1u);
        EXPECT_EQ(ws.FreightBill().boxes[0]->content->PlainText(), index ? "two" : "one");
    }
    // A box put on the form again is as new, whatever was done to the one before it.
    RichTextDocument& box = *ws.FreightBill().boxes[0]->content;
    box.SetSelection(0, 3);
    box.ReplaceSelection("edited");
    box.SetCanFocus(false);
    box.SetFocused(true);
    ws.ResetCurrentForm();
    const RichTextDocument& again = *ws.FreightBill().boxes[0]->content;
    EXPECT_EQ(again.PlainText(), "one");
    EXPECT_TRUE(again.CanFocus());
    EXPECT_FALSE(again.Focused());
}

TEST_F(Workspace, SaveFreightBillTemplateWritesPictureAndStore) {
    const std::string name = Gbk(u8"圆通");
    SaveFreightBillTemplate(name);
    const std::string image = In(u8"FreightBillBGImages/圆通.jpg");
    ASSERT_TRUE(Exists(image));
    EXPECT_EQ(Bytes(image).substr(0, 2), "\xFF\xD8");
    ASSERT_EQ(ws.FreightBillTemplates().items.size(), 1u);
    EXPECT_EQ(*FreightBillRecordImageName(ws.FreightBillTemplates().items[0].record),
              name + ".jpg");
    const std::string store = Bytes(In("FreightBillTemplate.pft"));
    const std::string& record = ws.FreightBillTemplates().items[0].record;
    EXPECT_EQ(store.substr(store.size() - record.size()), record);

    // Same name, No: nothing changes. Yes: the old entry goes, the new one comes last.
    SaveFreightBillTemplate(Gbk(u8"中通"));
    const std::string imageBefore = Bytes(image);
    const std::string storeBefore = Bytes(In("FreightBillTemplate.pft"));
    ws.FreightBill().background.fill(Qt::black);
    ws.SetTemplateEditText(FormKind::kFreightBill, name);
    prompter.answers = {false};
    ws.MenuItemSaveTemplateClick();
    EXPECT_EQ(Bytes(In("FreightBillTemplate.pft")), storeBefore);
    EXPECT_EQ(ws.FreightBillTemplates().items[0].name, name);
    EXPECT_EQ(Bytes(image), imageBefore);
    prompter.answers = {true};
    ws.MenuItemSaveTemplateClick();
    ASSERT_EQ(ws.FreightBillTemplates().items.size(), 2u);
    EXPECT_EQ(ws.FreightBillTemplates().items[1].name, name);
    EXPECT_TRUE(Exists(image));
    EXPECT_NE(Bytes(image), imageBefore);
    EXPECT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[0].caption, Gbk(u8"提示：有重名模板！"));

    // Deleting takes the picture with it.
    ws.SetSelectedTemplate(FormKind::kFreightBill, 1);
    ws.MenuItemDeleteTemplateClick();
    EXPECT_FALSE(Exists(image));
    EXPECT_EQ(ws.FreightBillTemplates().items.size(), 1u);
}

TEST_F(Workspace, TemplateNamesNeverWriteOutsideTheImageFolder) {
    for (const char* name : {"../evil", "a/b", ".."}) {
        SaveFreightBillTemplate(name);
        EXPECT_TRUE(ws.FreightBillTemplates().items.empty()) << name;
    }
    EXPECT_FALSE(Exists(In("evil.jpg")));
    EXPECT_FALSE(Exists(In("FreightBillBGImages/a/b.jpg")));
    SaveFreightBillTemplate(std::string(128, 'x'));
    EXPECT_TRUE(ws.FreightBillTemplates().items.empty());
    EXPECT_EQ(prompter.messages.size(), 4u);
}

TEST_F(Workspace, InvoiceTemplateChecksNameFirstAndSelectResetsGrid) {
    ws.SetCurrentTab(kTabInvoice);
    ws.MenuItemSaveTemplateClick();
    EXPECT_EQ(prompter.messages.back(), Gbk(u8"发货单模板名称为空，不能保存！"));

    ws.Invoice().Body().SetPlainText(Gbk(u8"收货人：{收货人}"));
    ws.Invoice().printWidth = 150;
    ws.SetTemplateEditText(FormKind::kInvoice, "A");
    ws.MenuItemSaveTemplateClick();
    ASSERT_EQ(ws.InvoiceTemplates().items.size(), 1u);
    ws.Invoice().grid.InsertGoodsRow();
    ws.Invoice().grid.SetCell(GoodsGrid::kTradeNumber, 1, "123");
    ws.SetInvoiceUnsaved(true);
    ws.Trade().paipaiGoodsCaptured = true;
    ws.SetSelectedTemplate(FormKind::kInvoice, 0);
    ws.ComboBoxInvoiceSelect();
    EXPECT_EQ(ws.Invoice().grid.RowCount(), 3);
    EXPECT_TRUE(ws.Invoice().grid.Cell(GoodsGrid::kTradeNumber, 1).empty());
    EXPECT_EQ(ws.Invoice().printWidth, 150);
    EXPECT_EQ(ws.Invoice().Body().PlainText(), Gbk(u8"收货人：{收货人}"));
    EXPECT_FALSE(ws.InvoiceUnsaved());
    EXPECT_FALSE(ws.Trade().paipaiGoodsCaptured);
}

TEST_F(Workspace, NewDocumentAdvancesOnlyTheCurrentTabAndWritesConfig) {
    ws.MenuItemNewClick();
    EXPECT_EQ(ws.FreightBillSN(), 1382401);
    EXPECT_EQ(Bytes(In("Config.pcf")),
              "ConfigFileVer: 1.00\r\n1382401\r\n1382401\r\n-1\r\n-1\r\n-1");
    ws.SetCurrentTab(kTabFreightBill);
    AddFieldBox(ws.FreightBill(), "x", 0, 0, 10, 10);
    ws.SetFreightBillUnsaved(true);
    ws.MenuItemNewClick();
    EXPECT_EQ(ws.FreightBillSN(), 1382402);
    EXPECT_EQ(ws.InvoiceSN(), 1382401);
    EXPECT_TRUE(ws.FreightBill().boxes.empty());
    EXPECT_FALSE(ws.FreightBillUnsaved());
}

// The command line advances Config.pcf's numbers while the window runs: the window never
// writes a lower one back, and New goes on past it.
TEST_F(Workspace, ConfigNeverLowersASequenceNumberFoundOnDisk) {
    ASSERT_TRUE(WriteFileReplacing(In("Config.pcf"),
                                   "ConfigFileVer: 1.00\r\n1382410\r\n1382420\r\n1\r\n5\r\n6"));
    ws.SetSourceSite(0);
    ws.SetCurrentTab(kTabFreightBill);
    ws.MenuItemNewClick();
    EXPECT_EQ(ws.FreightBillSN(), 1382410);
    EXPECT_EQ(ws.InvoiceSN(), 1382401);
    EXPECT_EQ(Bytes(In("Config.pcf")),
              "ConfigFileVer: 1.00\r\n1382410\r\n1382420\r\n0\r\n-1\r\n-1");
}

// Filling another trade into a form whose number was saved with one takes the next number.
TEST_F(Workspace, SavedNumbersMoveOnForAnotherTrade) {
    ws.SetCurrentTab(kTabFreightBill);
    AddFieldBox(ws.FreightBill(), "x", 1, 2, 3, 4);
    FormValues a, b;
    a.tradeNumbers = {"A"};
    b.tradeNumbers = {"B"};
    FillFromValues(ws, a);
    ASSERT_TRUE(ws.MenuItemSaveClick());
    FillFromValues(ws, a);
    EXPECT_EQ(ws.FreightBillSN(), 1382401);
    FillFromValues(ws, b);
    EXPECT_EQ(ws.FreightBillSN(), 1382402);
    ASSERT_TRUE(ws.MenuItemSaveClick());
    ws.SetInputText("page one");  // a pasted page, the window's way
    ws.ReplaceAll();
    EXPECT_EQ(ws.FreightBillSN(), 1382403);
}

// Order two saved under the automatic name of order one asks first; No writes nothing.
TEST_F(Workspace, AutomaticFileNameAsksBeforeReplacingADocument) {
    ws.SetCurrentTab(kTabFreightBill);
    AddFieldBox(ws.FreightBill(), "one", 1, 2, 3, 4);
    ASSERT_TRUE(ws.MenuItemSaveClick());
    ws.SetFreightBillUnsaved(true);
    EXPECT_FALSE(ws.MenuItemSaveClick());
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].caption.rfind(Gbk(u8"提示："), 0), 0u);
    EXPECT_NE(prompter.questions[0].text.find("1382401.pfb"), std::string::npos);
    EXPECT_TRUE(ws.FreightBillUnsaved());
}

TEST_F(Workspace, FreightBillDocumentNameAndExtension) {
    ws.SetCurrentTab(kTabFreightBill);
    AddFieldBox(ws.FreightBill(), "box", 1, 2, 3, 4);
    ASSERT_TRUE(ws.MenuItemSaveClick());
    EXPECT_TRUE(chooser.requests.empty());
    const std::string auto_path = In(u8"货运单文件/1382401.pfb");
    ASSERT_TRUE(Exists(auto_path));

    ws.SetAutoFileName(false);
    const std::string folder = dir.path().toStdString();
    chooser.answers = {folder + "/a.PFB", folder + "/b.Pfb", folder + "/c"};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ws.MenuItemSaveClick());
    EXPECT_TRUE(Exists(folder + "/a.PFB"));
    EXPECT_TRUE(Exists(folder + "/b.Pfb.pfb"));
    EXPECT_TRUE(Exists(folder + "/c.pfb"));
    EXPECT_EQ(chooser.requests[0].title, Gbk(u8"保存货运单文件"));
    EXPECT_EQ(chooser.requests[0].fileName, In(u8"货运单文件/1382401"));

    // Reopening replaces every box.
    AddFieldBox(ws.FreightBill(), "extra", 0, 0, 1, 1);
    chooser.answers = {auto_path};
    ws.MenuItemOpenClick();
    ASSERT_EQ(ws.FreightBill().boxes.size(), 1u);
    EXPECT_EQ(ws.FreightBill().boxes[0]->content->PlainText(), "box");
}

TEST_F(Workspace, InvoiceDocumentChecksAndGrid) {
    ws.SetCurrentTab(kTabInvoice);
    // "{" inside a double-byte character is no keyword brace.
    ws.Invoice().Body().SetPlainText("\x81\x7B x \x81\x7D");
    ASSERT_TRUE(ws.MenuItemSaveClick());
    ws.Invoice().Body().SetPlainText("{ no close");
    prompter.answers = {true};
    ASSERT_TRUE(ws.MenuItemSaveClick());
    ASSERT_EQ(prompter.questions.size(), 1u);  // only whether to replace the first save
    const std::string no_grid = Bytes(In(u8"发货单文件/1382401.pin"));

    ws.Invoice().Body().SetPlainText(Gbk(u8"致：{收货人}。"));
    EXPECT_FALSE(ws.MenuItemSaveClick());
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(ws.Invoice().Body().SelStart(), 4);
    EXPECT_EQ(ws.Invoice().Body().SelLength(), 8);
    EXPECT_EQ(Bytes(In(u8"发货单文件/1382401.pin")), no_grid);

    GoodsGrid& grid = ws.Invoice().grid;
    grid.SetCell(0, 1, "T1");
    grid.SetCell(1, 1, "A");
    grid.InsertGoodsRow();
    grid.SetCell(0, 2, "T1");
    grid.SetCell(2, 2, "3");
    prompter.answers = {true, false};
    EXPECT_FALSE(ws.MenuItemSaveClick());
    EXPECT_EQ(prompter.questions.back().caption, Gbk(u8"提示：有重复交易！"));
    prompter.answers = {true, true, true};
    ASSERT_TRUE(ws.MenuItemSaveClick());

    chooser.answers = {In(u8"发货单文件/1382401.pin")};
    ws.MenuItemOpenClick();
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cell(1, 1), "A");
    EXPECT_EQ(grid.Cell(0, 2), "T1");
    EXPECT_EQ(grid.Cell(2, 2), "3");
    EXPECT_EQ(grid.Cell(0, 3), GoodsGrid::TotalText());
    EXPECT_EQ(chooser.requests.back().title, Gbk(u8"打开发货单文件"));
}

TEST_F(Workspace, ExchangeFileRoundTripToAFreshInstallation) {
    const std::string name = Gbk(u8"顺丰");
    SaveFreightBillTemplate(name);
    const std::string exported = dir.filePath("out").toStdString();
    ws.SetSelectedTemplate(FormKind::kFreightBill, -1);
    chooser.answers = {exported};
    ws.MenuItemExportTemplateClick();
    EXPECT_FALSE(Exists(exported + ".pff"));  // nothing selected, no file
    ws.SetSelectedTemplate(FormKind::kFreightBill, 0);
    chooser.answers = {exported};
    ws.MenuItemExportTemplateClick();
    ASSERT_TRUE(Exists(exported + ".pff"));
    EXPECT_EQ(chooser.requests.back().fileName, u8"顺丰");

    QTemporaryDir other;
    testing::RecordingPrompter otherPrompter;
    FormsWorkspace fresh(other.path().toStdString(), &otherPrompter, &chooser);
    fresh.SetCurrentTab(kTabFreightBill);
    chooser.answers = {exported + ".pff"};
    fresh.MenuItemImportTemplateClick();
    ASSERT_EQ(fresh.FreightBillTemplates().items.size(), 1u);
    EXPECT_EQ(fresh.FreightBillTemplates().items[0].name, name);
    EXPECT_EQ(fresh.FreightBillTemplates().items[0].record,
              ws.FreightBillTemplates().items[0].record);
    EXPECT_TRUE(Exists(JoinPath(fresh.ProgramFolder(), u8"FreightBillBGImages/顺丰.jpg")));
    EXPECT_TRUE(otherPrompter.messages.empty());

    // Same name and No: untouched. A cut image part: template imported, no picture file.
    chooser.answers = {exported + ".pff"};
    fresh.MenuItemImportTemplateClick();
    EXPECT_EQ(fresh.FreightBillTemplates().items.size(), 1u);
    std::string cut = Bytes(exported + ".pff");
    cut.resize(cut.size() - 10);
    ASSERT_TRUE(WriteFileReplacing(exported + "-cut.pff", cut));
    QFile::remove(
        QString::fromStdString(JoinPath(fresh.ProgramFolder(), u8"FreightBillBGImages/顺丰.jpg")));
    otherPrompter.answers = {true};
    chooser.answers = {exported + "-cut.pff"};
    fresh.MenuItemImportTemplateClick();
    EXPECT_EQ(fresh.FreightBillTemplates().items.size(), 1u);
    EXPECT_EQ(otherPrompter.messages.back(),
              Gbk(u8"读取货运单模板文件有误，文件版本不对或已被破坏！"));
    EXPECT_FALSE(Exists(JoinPath(fresh.ProgramFolder(), u8"FreightBillBGImages/顺丰.jpg")));
}

TEST_F(Workspace, StartAppliesTheDefaultTemplatesOfTheConfig) {
    SaveFreightBillTemplate("A");
    ws.SetSelectedTemplate(FormKind::kFreightBill, 0);
    ws.SetFreightBillSN(-3);
    ASSERT_TRUE(ws.SaveConfig());
    FormsWorkspace next(ws.ProgramFolder(), &prompter, &chooser);
    next.Start();
    EXPECT_EQ(next.FreightBillSN(), -3);
    EXPECT_EQ(next.FreightBillTemplates().editText, "A");
    EXPECT_EQ(next.FreightBill().boxes.size(), 1u);
    EXPECT_EQ(next.FreightBill().background.size(), QSize(734, 300));

    // An index beyond the list selects nothing.
    ws.SetSelectedTemplate(FormKind::kFreightBill, 7);
    ASSERT_TRUE(ws.SaveConfig());
    FormsWorkspace later(ws.ProgramFolder(), &prompter, &chooser);
    later.Start();
    EXPECT_EQ(later.FreightBillTemplates().selected, -1);
    EXPECT_TRUE(later.FreightBill().boxes.empty());
}

TEST_F(Workspace, DamagedOrUnsafeTemplatesTouchNoFile) {
    ws.SetCurrentTab(kTabFreightBill);
    ws.AddTemplateEntry(FormKind::kFreightBill, {"short", "12"});
    EXPECT_FALSE(ws.DeleteTemplate(0));
    EXPECT_EQ(ws.FreightBillTemplates().items.size(), 1u);
    EXPECT_EQ(prompter.messages.back(), Gbk(u8"读取货运单文件有误，文件版本不对或已被破坏！"));

    // An imported name that would put its picture outside the image folder.
    std::string file = "TemplateVer: 1.00";
    file += '\0';
    file += Field(8) + "../../up" + Field(5) + "12345" + Field(3) + "abc";
    const std::string path = dir.filePath("bad.pff").toStdString();
    ASSERT_TRUE(WriteFileReplacing(path, file));
    chooser.answers = {path};
    ws.MenuItemImportTemplateClick();
    EXPECT_EQ(ws.FreightBillTemplates().items.size(), 1u);
    EXPECT_EQ(prompter.messages.back(), Gbk(u8"读取货运单模板文件有误，文件版本不对或已被破坏！"));
    EXPECT_FALSE(Exists(In("up.jpg")));

    // A record carried in from elsewhere may name a picture outside the folder: deleting its
    // template leaves that file alone.
    ASSERT_TRUE(EnsureFolder(In("FreightBillBGImages")));
    ASSERT_TRUE(WriteFileReplacing(In("Config.pcf"), "keep"));
    ws.AddTemplateEntry(FormKind::kFreightBill, {"far", Field(13) + "../Config.pcf" + Field(190)});
    EXPECT_TRUE(ws.DeleteTemplate(1));
    EXPECT_EQ(Bytes(In("Config.pcf")), "keep");
}

TEST_F(Workspace, FailedStoreWriteIsReported) {
    // A folder where the store should be: the write cannot succeed.
    ASSERT_TRUE(QDir(dir.path()).mkdir("InvoiceTemplate.pit"));
    ws.SetCurrentTab(kTabInvoice);
    ws.Invoice().Body().SetPlainText("text");
    ws.SetTemplateEditText(FormKind::kInvoice, "A");
    ws.MenuItemSaveTemplateClick();
    EXPECT_EQ(prompter.messages.size(), 1u);
}

TEST_F(Workspace, TemplateSelectionClearsFlagsOnlyWhereTheRulesSay) {
    const std::string freightDamaged = Gbk(u8"读取货运单文件有误，文件版本不对或已被破坏！");
    const std::string invoiceDamaged = Gbk(u8"读取发货单文件有误，文件版本不对或已被破坏！");
    // No freight-bill template selected: the waybill empties, the flag stays.
    AddFieldBox(ws.FreightBill(), "x", 0, 0, 10, 10);
    ws.SetFreightBillUnsaved(true);
    ws.ComboBoxFreightBillSelect();
    EXPECT_TRUE(ws.FreightBill().boxes.empty());
    EXPECT_TRUE(ws.FreightBillUnsaved());
    // A damaged one still clears it, keeping what was read before the damage.
    ws.AddTemplateEntry(FormKind::kFreightBill, {"F", Field(0) + Field(120) + Field(3)});
    ws.SetSelectedTemplate(FormKind::kFreightBill, 0);
    ws.ComboBoxFreightBillSelect();
    EXPECT_EQ(ws.FreightBill().printWidth, 120);
    EXPECT_EQ(ws.FreightBill().biasX, 3);
    EXPECT_FALSE(ws.FreightBillUnsaved());
    EXPECT_EQ(prompter.messages.back(), freightDamaged);

    // A damaged invoice template leaves both flags as they were.
    ws.SetInvoiceUnsaved(true);
    ws.Trade().paipaiGoodsCaptured = true;
    ws.AddTemplateEntry(FormKind::kInvoice, {"I", Field(150) + Field(40) + "{\\rtf1"});
    ws.SetSelectedTemplate(FormKind::kInvoice, 0);
    ws.ComboBoxInvoiceSelect();
    EXPECT_EQ(ws.Invoice().printWidth, 150);
    EXPECT_TRUE(ws.InvoiceUnsaved());
    EXPECT_TRUE(ws.Trade().paipaiGoodsCaptured);
    EXPECT_EQ(prompter.messages.back(), invoiceDamaged);
    // With none selected both are cleared.
    ws.SetSelectedTemplate(FormKind::kInvoice, -1);
    ws.ComboBoxInvoiceSelect();
    EXPECT_FALSE(ws.InvoiceUnsaved());
    EXPECT_FALSE(ws.Trade().paipaiGoodsCaptured);

    // Deleting a template whose record yields nothing resets the tab but keeps list and store.
    ws.SetCurrentTab(kTabFreightBill);
    const std::size_t before = ws.FreightBillTemplates().items.size();
    ws.AddTemplateEntry(FormKind::kFreightBill, {"G", "12"});
    ws.SetSelectedTemplate(FormKind::kFreightBill, static_cast<int>(before));
    AddFieldBox(ws.FreightBill(), "x", 0, 0, 10, 10);
    ws.MenuItemDeleteTemplateClick();
    EXPECT_TRUE(ws.FreightBill().boxes.empty());
    EXPECT_EQ(ws.FreightBillTemplates().items.size(), before + 1);
    EXPECT_FALSE(Exists(In("FreightBillTemplate.pft")));
}

TEST_F(Workspace, InvoiceSaveAsksBeforeTouchingTheDisk) {
    ws.SetCurrentTab(kTabInvoice);
    ws.Invoice().Body().SetPlainText("{x}");
    EXPECT_FALSE(ws.MenuItemSaveClick());
    EXPECT_FALSE(Exists(In(u8"发货单文件")));
    EXPECT_TRUE(chooser.requests.empty());

    // Past the questions the folder is made before the dialog; a cancel writes nothing.
    ws.Invoice().Body().SetPlainText("x");
    ws.SetAutoFileName(false);
    ws.SetInvoiceSN(-3);
    EXPECT_FALSE(ws.MenuItemSaveClick());
    EXPECT_TRUE(Exists(In(u8"发货单文件")));
    EXPECT_TRUE(QDir(QString::fromStdString(In(u8"发货单文件"))).isEmpty());
    ASSERT_EQ(chooser.requests.size(), 1u);
    const FileChooser::Request& request = chooser.requests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.title, Gbk(u8"保存发货单文件"));
    EXPECT_EQ(request.filter, Gbk(u8"任意格式 (*.*)|*.*|发货单格式 (*.pin)|*.pin"));
    EXPECT_EQ(request.filterIndex, 2);
    EXPECT_EQ(request.fileName, In(u8"发货单文件/-3"));
}

TEST_F(Workspace, OpenFailuresKeepWhatWasRead) {
    ws.SetCurrentTab(kTabFreightBill);
    AddFieldBox(ws.FreightBill(), "x", 0, 0, 10, 10);
    chooser.answers = {std::nullopt, In("missing.pfb")};
    ws.MenuItemOpenClick();
    EXPECT_EQ(ws.FreightBill().boxes.size(), 1u);  // cancelled: untouched
    ws.MenuItemOpenClick();
    EXPECT_TRUE(ws.FreightBill().boxes.empty());
    EXPECT_EQ(prompter.messages.back(), Gbk(u8"无法创建文件流，磁盘空间不够或没有写权限！"));
    EXPECT_TRUE(chooser.requests[0].fileName.empty());

    // An invoice cut inside its body keeps the width read before the cut.
    ws.SetCurrentTab(kTabInvoice);
    ASSERT_TRUE(WriteFileReplacing(In("cut.pin"), Field(120) + Field(30) + "{\\rtf1"));
    chooser.answers = {In("cut.pin")};
    ws.MenuItemOpenClick();
    EXPECT_EQ(ws.Invoice().printWidth, 120);
    EXPECT_EQ(prompter.messages.back(), Gbk(u8"读取发货单文件有误，文件版本不对或已被破坏！"));
}

TEST_F(Workspace, ExchangeFileNamesVersionAndOverwrite) {
    ws.SetCurrentTab(kTabInvoice);
    ws.Invoice().Body().SetPlainText("body");
    ws.SetTemplateEditText(FormKind::kInvoice, "I");
    ws.MenuItemSaveTemplateClick();
    ws.SetSelectedTemplate(FormKind::kInvoice, 0);
    const std::string record = ws.InvoiceTemplates().items[0].record;
    const std::string folder = dir.path().toStdString();
    chooser.answers = {folder + "/a.PIF", folder + "/b.Pif"};
    ws.MenuItemExportTemplateClick();
    ws.MenuItemExportTemplateClick();
    EXPECT_TRUE(Exists(folder + "/a.PIF"));
    EXPECT_TRUE(Exists(folder + "/b.Pif.pif"));
    EXPECT_EQ(ws.InvoiceTemplates().items[0].record, record);  // the export leaves it usable
    EXPECT_EQ(chooser.requests[0].title, Gbk(u8"保存发货单模板"));

    // A wrong version line names the whole path.
    std::string bad = Bytes(folder + "/a.PIF");
    bad[16] = '1';
    ASSERT_TRUE(WriteFileReplacing(folder + "/bad.pif", bad));
    chooser.answers = {folder + "/bad.pif"};
    ws.MenuItemImportTemplateClick();
    EXPECT_EQ(prompter.messages.back(),
              Gbk(u8"发货单模板文件") + folder + "/bad.pif" + Gbk(u8"版本有误，无法读取！"));

    // The same name in a damaged file: the damage is told and nothing is asked or lost.
    std::string cut = Bytes(folder + "/a.PIF");
    cut.resize(cut.size() - 1);
    ASSERT_TRUE(WriteFileReplacing(folder + "/cut.pif", cut));
    const size_t asked = prompter.questions.size();
    chooser.answers = {folder + "/cut.pif"};
    ws.MenuItemImportTemplateClick();
    EXPECT_EQ(prompter.questions.size(), asked);
    ASSERT_EQ(ws.InvoiceTemplates().items.size(), 1u);
    EXPECT_EQ(ws.InvoiceTemplates().items[0].record, record);
    EXPECT_EQ(prompter.messages.back(), Gbk(u8"读取发货单文件有误，文件版本不对或已被破坏！"));
    // Yes on a sound file: the old entry goes, the new one comes last and is not selected.
    prompter.answers = {true};
    chooser.answers = {folder + "/a.PIF"};
    ws.MenuItemImportTemplateClick();
    ASSERT_EQ(ws.InvoiceTemplates().items.size(), 1u);
    EXPECT_EQ(ws.InvoiceTemplates().selected, -1);
    EXPECT_EQ(chooser.requests.back().title, Gbk(u8"打开发货单模板文件"));
}

TEST_F(Workspace, DocumentsNameTheTemplatePictureAndExportsCarryIt) {
    const std::string name = Gbk(u8"顺丰");
    SaveFreightBillTemplate(name);
    ws.SetSelectedTemplate(FormKind::kFreightBill, 0);
    ws.ComboBoxFreightBillSelect();
    const std::string doc = dir.filePath("a.pfb").toStdString();
    ASSERT_TRUE(ws.SaveDocumentTo(doc));
    ClearFreightBill(ws.FreightBill());
    chooser.answers = {doc};
    ws.MenuItemOpenClick();
    EXPECT_EQ(ws.FreightBill().background.size(), QSize(734, 300));
    EXPECT_EQ(ws.FreightBill().backgroundName, name + ".jpg");

    // With no picture on the tab the export still carries the template's own file.
    ClearFreightBill(ws.FreightBill());
    const std::string exported = dir.filePath("x.pff").toStdString();
    chooser.answers = {exported};
    ws.MenuItemExportTemplateClick();
    const ExchangeFileRead read = ReadExchangeFile(FormKind::kFreightBill, exported);
    ASSERT_TRUE(read.image);
    EXPECT_EQ(*read.image, Bytes(In(u8"FreightBillBGImages/顺丰.jpg")));

    // A picture file gone: the export says so, and the import says the picture is missing.
    const std::size_t before = prompter.messages.size();
    QFile::remove(QString::fromStdString(In(u8"FreightBillBGImages/顺丰.jpg")));
    chooser.answers = {exported};
    ws.MenuItemExportTemplateClick();
    ASSERT_EQ(prompter.messages.size(), before + 1);
    EXPECT_EQ(prompter.messages.back(), Gbk(u8"无法打开背景图片文件，导出的模板文件不带图片！"));
    QTemporaryDir other;
    testing::RecordingPrompter otherPrompter;
    FormsWorkspace fresh(other.path().toStdString(), &otherPrompter, &chooser);
    fresh.SetCurrentTab(kTabFreightBill);
    chooser.answers = {exported};
    fresh.MenuItemImportTemplateClick();
    EXPECT_EQ(fresh.FreightBillTemplates().items.size(), 1u);
    ASSERT_EQ(otherPrompter.messages.size(), 1u);
    EXPECT_EQ(otherPrompter.messages[0],
              Gbk(u8"货运单模板文件没有带背景图片，导入的模板没有背景图片！"));
}

// The window follows the workspace through these calls instead of polling it.
TEST_F(Workspace, ObserverHearsFlagsListsAndTab) {
    struct Log : WorkspaceObserver {
        std::vector<std::string> events;
        void UnsavedChanged(FormKind form, bool unsaved) override {
            events.push_back("unsaved " + std::to_string(TabOf(form)) + (unsaved ? " 1" : " 0"));
        }
        void TemplatesChanged(FormKind) override { events.push_back("templates"); }
        void TabChanged(Tab tab) override { events.push_back("tab " + std::to_string(tab)); }
    } log;
    ws.SetObserver(&log);
    ws.SetCurrentTab(kTabInvoice);
    ws.SetInvoiceUnsaved(true);
    ws.SetInvoiceUnsaved(true);  // no change, no call
    ws.AddTemplateEntry(FormKind::kInvoice, {"A", ""});
    ws.ComboBoxInvoiceSelect();
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"tab 2", "unsaved 2 1", "templates", "unsaved 2 0"}));
    ws.SetObserver(nullptr);
}

}  // namespace
}  // namespace tallivo
