#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/order_list_model.h"
#include "forms/file_chooser.h"
#include "forms/workspace.h"
#include "text/message_sink.h"

class QProgressDialog;

namespace Ui {
class TFormOrders;
}

namespace tallivo {

class PrintCommands;
class ProfileMapper;

// The order list: the orders of the platforms' export files, opened by the file dialog or
// dropped on the window, with what the print history shows printed. The chosen orders are
// filled from the main window's template and printed as one job through the print session, or
// previewed one page after another. A double click hands an order on to be edited by hand.
class TFormOrders : public QWidget {
    Q_OBJECT
public:
    TFormOrders(FormsWorkspace& main, Prompter& prompter, FileChooser* chooser,
                PrintCommands& print, QWidget* owner = nullptr);
    ~TFormOrders() override;

    Ui::TFormOrders* ui() const { return ui_.get(); }
    OrderListModel& Model() { return model_; }

    // Null goes back to the mapping dialog.
    void SetProfileMapper(ProfileMapper* mapper);
    // Reads the files and lists their orders after those listed; a header no profile knows is
    // mapped by the user and kept as a profile of their own. What could not be read is shown
    // once. Text files are read as pasted consignees. False when no order was read.
    bool OpenFiles(const std::vector<std::string>& files);
    void OpenClick();
    // Reads the history again for the printed column.
    void RefreshPrinted();

    void SelectAll();
    void SelectNone();
    void SelectUnprinted();
    // The chosen orders in list order.
    std::vector<const Order*> SelectedOrders() const;

    // Fills each chosen order on the form and prints them all
    // as one job; returns how many pages went to the print system.
    int PrintSelected(FormKind form);
    // The chosen orders' pages one below the other beside the list (the first kPreviewPages).
    void PreviewSelected(FormKind form);
    static constexpr int kPreviewPages = 20;

signals:
    void orderChosen(const tallivo::Order& order);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // A workspace of its own with the main window's template of this form, so that printing
    // many orders leaves the forms being edited alone; null with the reason shown.
    std::unique_ptr<FormsWorkspace> BatchWorkspace(FormKind form);
    void UpdateStatus();

    std::unique_ptr<Ui::TFormOrders> ui_;
    FormsWorkspace& main_;
    Prompter& prompter_;
    FileChooser* chooser_;
    PrintCommands& print_;
    std::unique_ptr<ProfileMapper> ownMapper_;
    ProfileMapper* mapper_;
    OrderListModel model_;
};

}  // namespace tallivo
