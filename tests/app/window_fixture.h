// What the window tests share: a font dialog that is always cancelled, and the window on a
// program folder filled with the starter content.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QString>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <optional>

#include "app/font_chooser.h"
#include "app/main_window_controller.h"
#include "app/scripted_window_prompter.h"
#include "app/tform_print.h"
#include "support/example_files.h"
#include "support/scripted_file_chooser.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

namespace tallivo::testing {

class NoFonts : public FontChooser {
public:
    std::optional<FontChoice> Choose(const FontChoice&) override { return std::nullopt; }
};

// The real window bound to a workspace in a program folder of its own, shown; questions at
// close are answered Yes.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CopyStarter(dir.path());
        controller = std::make_unique<MainWindowController>(window, dir.path().toStdString(),
                                                            &prompter, &chooser, &fonts);
        Bound();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override {
        prompter.answers = {true, true};
        window.close();
    }
    // Between binding and showing, for what a test installs in the controller.
    virtual void Bound() {}

    Ui::TFormPrint& ui() { return *window.ui(); }
    FormsWorkspace& ws() { return controller->Workspace(); }
    // Pastes an example page, picks Taobao and the tab, and replaces the keywords.
    void Fill(const char* page, Tab tab) {
        ui().MemoInputText->setPlainText(Example(page));
        ui().ComboBoxInputText->setCurrentIndex(kSiteTaobao);
        ui().PageControlPrint->setCurrentIndex(tab);
        QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    }
    std::string BoxText(int i) {
        return GbkToUtf8(
            ws().FreightBill().boxes[static_cast<std::size_t>(i)]->content->PlainText());
    }

    QTemporaryDir dir;
    TFormPrint window;
    ScriptedWindowPrompter prompter;
    ScriptedFileChooser chooser;
    NoFonts fonts;
    std::unique_ptr<MainWindowController> controller;
};

}  // namespace tallivo::testing
