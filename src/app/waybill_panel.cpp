#include "app/waybill_panel.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPixmap>

#include "app/context_menu.h"
#include "app/editor_document.h"
#include "app/field_box_editor.h"

namespace tallivo {

WaybillPanel::WaybillPanel(QFrame* panel, QLabel* image, QLabel* coordinates, QMenu* boxMenu,
                           FreightBillForm* form, QObject* parent)
    : QObject(parent),
      panel_(panel),
      image_(image),
      coordinates_(coordinates),
      boxMenu_(boxMenu),
      form_(form) {
    image_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image_->setMouseTracking(true);
    image_->installEventFilter(this);
    HideCoordinates();
    form_->listener = this;
    form_->makeBoxDocument = [this]() -> std::unique_ptr<RichTextDocument> {
        auto* editor = new FieldBoxEditor(panel_);
        editor->hide();
        return std::make_unique<EditorDocument>(editor, true);
    };
    BackgroundChanged();
}

WaybillPanel::~WaybillPanel() {
    if (form_->listener == this) form_->listener = nullptr;
    form_->makeBoxDocument = nullptr;
}

FieldBoxEditor* WaybillPanel::EditorOf(const FieldBox& box) {
    auto* doc = dynamic_cast<EditorDocument*>(box.content.get());
    return doc ? qobject_cast<FieldBoxEditor*>(doc->Editor()) : nullptr;
}

FieldBox* WaybillPanel::BoxOf(const FieldBoxEditor* editor) const {
    for (const auto& box : form_->boxes) {
        if (EditorOf(*box) == editor) return box.get();
    }
    return nullptr;
}

FieldBox* WaybillPanel::FocusedBox() const {
    for (const auto& box : form_->boxes) {
        const FieldBoxEditor* editor = EditorOf(*box);
        if (editor && editor->hasFocus()) return box.get();
    }
    return nullptr;
}

QString WaybillPanel::CoordinateText(int left, int top, int printWidth, int imageWidth) {
    if (imageWidth <= 0) return QStringLiteral("(0, 0)");
    // Integer arithmetic, product first; the horizontal scale serves for y too.
    const long long x = static_cast<long long>(left) * printWidth / imageWidth;
    const long long y = static_cast<long long>(top) * printWidth / imageWidth;
    return QStringLiteral("(%1, %2)").arg(x).arg(y);
}

void WaybillPanel::ShowCoordinates(const FieldBoxEditor* editor) {
    const FieldBox* box = BoxOf(editor);
    if (!box) return;
    coordinates_->setText(CoordinateText(box->left, box->top, form_->printWidth, image_->width()));
    coordinates_->adjustSize();
    const int w = coordinates_->width();
    const int h = coordinates_->height();
    const int left = box->left > w ? box->left - w : box->left + box->width;
    const int top = box->top > h ? box->top - h : box->top + box->height;
    coordinates_->move(left, top);
    coordinates_->raise();
    coordinates_->show();
}

void WaybillPanel::HideCoordinates() {
    coordinates_->setText(QString());
    coordinates_->hide();
}

void WaybillPanel::BoxAdded(int index) {
    FieldBox* box = form_->boxes[static_cast<std::size_t>(index)].get();
    FieldBoxEditor* editor = EditorOf(*box);
    if (!editor) return;
    // The sizing frame makes the box one pixel taller than the model says.
    editor->setGeometry(box->left, box->top, box->width, box->height + 1);
    editor->document()->setModified(false);
    UseContextMenu(editor, boxMenu_);
    connect(editor, &FieldBoxEditor::dragStarted, this, &WaybillPanel::userChanged);
    connect(editor, &FieldBoxEditor::boundsChanged, this, [this, editor](QRect r) {
        if (FieldBox* b = BoxOf(editor)) {
            b->left = r.left();
            b->top = r.top();
            b->width = r.width();
            b->height = r.height() - 1;
        }
        image_->update();
    });
    connect(editor, &FieldBoxEditor::hovered, this, [this, editor] { ShowCoordinates(editor); });
    connect(editor, &FieldBoxEditor::left, this, &WaybillPanel::HideCoordinates);
    connect(editor, &QTextEdit::textChanged, this, [this, editor] {
        if (editor->document()->isModified()) emit userChanged();
    });
    connect(editor, &FieldBoxEditor::removeRequested, this, [this, editor] {
        if (FieldBox* b = BoxOf(editor)) RemoveFieldBox(*form_, b);
    });
    editor->show();
    coordinates_->raise();
}

void WaybillPanel::BackgroundChanged() {
    image_->setPixmap(form_->background.isNull() ? QPixmap()
                                                 : QPixmap::fromImage(form_->background));
}

bool WaybillPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == image_ && event->type() == QEvent::MouseMove) HideCoordinates();
    return QObject::eventFilter(watched, event);
}

}  // namespace tallivo
