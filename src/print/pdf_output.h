// One PDF for a batch: a page per filled form, drawn at the requested resolution with the
// origin at the paper's top-left corner. The file is written as documents are: beside the
// target under a hidden name and renamed into place once whole, so that a failed write leaves
// any earlier PDF as it was.
#pragma once

#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <string>

#include "print/replacing_file.h"

namespace tallivo {

// Qt's PDF engine compresses every page with a new zlib stream of some 270 KB and frees it again.
// glibc then gives the top of its heap back to the system and takes it again on the next page,
// a page fault for every 4 KB: a fifth of the time of a long batch. Keeping half a megabyte at
// the top stops that. Once per process, for everything that writes pages.
void KeepHeapTopForPages();

class PdfOutput {
public:
    PdfOutput(const std::string& path, int dpi);
    // An output not finished is discarded: the target stays as it was.
    ~PdfOutput();

    // Starts the next page, A4 or larger when the content needs it (sizes in dots), and
    // returns the painter to draw it with; null when the file cannot be written (ErrorText()
    // says why).
    QPainter* NewPage(int contentWidth, int contentHeight);
    // Ends the last page and puts the file in place. False, with the reason, when no page was
    // drawn or any write failed; the target is then left as it was and nothing else remains.
    bool Finish();
    // Why the PDF could not be written, in English; empty while all went well.
    const std::string& ErrorText() const { return error_; }
    int Dpi() const { return dpi_; }

private:
    bool Fail(const std::string& reason);

    std::string path_;
    int dpi_;
    ReplacingFile file_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    std::string error_;
    bool finished_ = false;
};

}  // namespace tallivo
