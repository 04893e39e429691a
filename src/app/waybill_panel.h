// The freight-bill tab's panel: the background picture and one editor per field box, kept in
// step with the form model through its listener.
#pragma once

#include <QObject>
#include <functional>

#include "forms/freight_bill.h"

class QFrame;
class QLabel;
class QMenu;

namespace tallivo {

class FieldBoxEditor;

class WaybillPanel : public QObject, private FreightBillListener {
    Q_OBJECT
public:
    WaybillPanel(QFrame* panel, QLabel* image, QLabel* coordinates, QMenu* boxMenu,
                 FreightBillForm* form, QObject* parent = nullptr);
    ~WaybillPanel() override;

    // The editor of a box, or null.
    static FieldBoxEditor* EditorOf(const FieldBox& box);
    // The first box, in list order, whose editor has the keyboard focus.
    FieldBox* FocusedBox() const;

    // "(x, y)" in millimetres on the paper for a box at this position.
    static QString CoordinateText(int left, int top, int printWidth, int imageWidth);

signals:
    // The user started to move a box or edited its text.
    void userChanged();

private:
    void BoxAdded(int index) override;
    void BackgroundChanged() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    FieldBox* BoxOf(const FieldBoxEditor* editor) const;
    void ShowCoordinates(const FieldBoxEditor* editor);
    // A transparent label leaves its last text painted over the form unless it is hidden.
    void HideCoordinates();

    QFrame* panel_;
    QLabel* image_;
    QLabel* coordinates_;
    QMenu* boxMenu_;
    FreightBillForm* form_;
};

}  // namespace tallivo
