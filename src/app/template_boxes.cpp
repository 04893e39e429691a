#include "app/template_boxes.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "app/workspace_signals.h"
#include "orders/gbk_string.h"

namespace tallivo {
namespace {

// Enter in a template box moves on to the next control and selects nothing.
class EnterMovesOn : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return QObject::eventFilter(watched, event);
        auto* w = qobject_cast<QWidget*>(watched);
        QWidget* box = !w ? nullptr : qobject_cast<QComboBox*>(w) ? w : w->parentWidget();
        if (box) {
            // Only controls that take the tab key count.
            QWidget* next = box->nextInFocusChain();
            while (next && next != box &&
                   (box->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus) ||
                    !next->isVisible() || !next->isEnabled()))
                next = next->nextInFocusChain();
            if (next) next->setFocus(Qt::TabFocusReason);
        }
        return true;
    }
};

// Qt reports a box as activated when it loses the focus while its text names another item; only
// a pick is a choice. Marks the box while its focus goes, until that has been handled.
class FocusLeaving : public QObject {
public:
    using QObject::QObject;
    bool Leaving() const { return leaving_; }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut && !leaving_) {
            leaving_ = true;
            QTimer::singleShot(0, this, [this] { leaving_ = false; });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool leaving_ = false;
};

}  // namespace

// The names of one template list as the box's items, converted only when the box asks for
// them: a closed box shows one of a thousand, and filling it with all of them slowed the start.
class TemplateNames : public QAbstractListModel {
public:
    TemplateNames(const FormsWorkspace& workspace, FormKind kind, QObject* parent)
        : QAbstractListModel(parent), workspace_(workspace), kind_(kind) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(Items().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if ((role != Qt::DisplayRole && role != Qt::EditRole) || !index.isValid() ||
            index.row() >= rowCount())
            return QVariant();
        return GbkToQString(Items()[static_cast<std::size_t>(index.row())].name);
    }
    // After the list changed under the model.
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    const std::vector<TemplateEntry>& Items() const { return workspace_.Templates(kind_).items; }

    const FormsWorkspace& workspace_;
    FormKind kind_;
};

TemplateBoxes::TemplateBoxes(QComboBox* freightBill, QComboBox* invoice, FormsWorkspace& workspace,
                             WorkspaceSignals& announcements, Chosen chosen, QObject* parent)
    : QObject(parent),
      freightBill_(freightBill),
      invoice_(invoice),
      workspace_(workspace),
      chosen_(std::move(chosen)) {
    auto* enter = new EnterMovesOn(this);
    for (const FormKind kind : {FormKind::kFreightBill, FormKind::kInvoice}) {
        QComboBox* box = Box(kind);
        names_[kind] = new TemplateNames(workspace_, kind, this);
        box->setModel(names_[kind]);
        box->installEventFilter(enter);
        auto* leaving = new FocusLeaving(box);
        if (box->lineEdit()) {
            box->lineEdit()->installEventFilter(enter);
            box->lineEdit()->installEventFilter(leaving);
        }
        connect(box, qOverload<int>(&QComboBox::activated), this, [this, kind, leaving](int i) {
            // Typing a template's name to save over it must not throw the edits away.
            if (leaving->Leaving()) return ShowSelection(kind);
            chosen_(kind, i);
        });
        connect(box, &QComboBox::editTextChanged, this, [this, kind](const QString& t) {
            if (!quiet_) workspace_.SetTemplateEditText(kind, QStringToGbk(t));
        });
    }
    connect(&announcements, &WorkspaceSignals::templatesChanged, this, &TemplateBoxes::Fill);
    connect(&announcements, &WorkspaceSignals::templateSelected, this,
            &TemplateBoxes::ShowSelection);
}

QComboBox* TemplateBoxes::Box(FormKind kind) const {
    return kind == FormKind::kFreightBill ? freightBill_ : invoice_;
}

void TemplateBoxes::Fill(FormKind kind) {
    quiet_ = true;
    names_[kind]->Reset();
    quiet_ = false;
    ShowSelection(kind);
}

void TemplateBoxes::ShowSelection(FormKind kind) {
    const TemplateList& list = workspace_.Templates(kind);
    quiet_ = true;
    Box(kind)->setCurrentIndex(list.selected);
    Box(kind)->setEditText(GbkToQString(list.editText));
    quiet_ = false;
}

void TemplateBoxes::FocusShown() {
    for (QComboBox* box : {invoice_, freightBill_}) {
        if (box->isVisible() && box->isEnabled()) return box->setFocus();
    }
}

}  // namespace tallivo
