#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TFormAbout;
}

namespace tallivo {

// The about window: a small stay-on-top tool window with the fixed text of its layout. A click
// anywhere on it, text included, closes it.
class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* owner = nullptr);
    ~TFormAbout() override;

    Ui::TFormAbout* ui() const { return ui_.get(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::TFormAbout> ui_;
};

}  // namespace tallivo
