// One PDF for a batch: a page per filled form, drawn at the requested resolution with the
// origin at the paper's top-left corner.
#pragma once

#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <string>

namespace tallivo {

class PdfOutput {
public:
    PdfOutput(const std::string& path, int dpi);
    ~PdfOutput();

    // Starts the next page, A4 or larger when the content needs it (sizes in dots), and
    // returns the painter to draw it with; null when the file cannot be written.
    QPainter* NewPage(int contentWidth, int contentHeight);
    // Closes the file; false when writing failed.
    bool Finish();
    int Dpi() const { return dpi_; }

private:
    std::string path_;
    int dpi_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    bool failed_ = false;
    bool finished_ = false;
};

}  // namespace tallivo
