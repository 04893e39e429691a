#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <string>

#include "forms/file_chooser.h"

class QFileDialog;

namespace tallivo {

// The dialog filter "说明|*.a;*.b|..." (GBK) as Qt's name filters "说明 (*.a *.b)". "*.*" stands
// for every file, also those without a dot, so it becomes "*". A description without patterns
// matches everything.
QStringList QtNameFilters(const std::string& gbkFilter);

// The print history's files, which no dialog lists.
bool IsHistoryFileName(const QString& name);

// Sets up a file dialog as the request asks: title, open or save, filters with the 1-based
// index selected (the first when out of range), initial folder (the documents' without one)
// and preset name. Files are listed by name, never opened.
void ConfigureFileDialog(QFileDialog& dialog, const FileChooser::Request& request);

// The open and save dialogs of the window.
class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* owner = nullptr) : owner_(owner) {}
    std::optional<std::string> Choose(const Request& request) override;
    std::vector<std::string> ChooseMany(const Request& request) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace tallivo
