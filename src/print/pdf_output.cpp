#include "print/pdf_output.h"

#include <QPageLayout>
#include <QPageSize>
#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "print/page_geometry.h"

namespace tallivo {

namespace {

QPageSize PageFor(int contentWidth, int contentHeight, int dpi) {
    const double mmPerDot = 25.4 / dpi;
    const double w = std::max<double>(kA4WidthMm, contentWidth * mmPerDot);
    const double h = std::max<double>(kA4HeightMm, contentHeight * mmPerDot);
    if (w == kA4WidthMm && h == kA4HeightMm) return QPageSize(QPageSize::A4);
    return QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

}  // namespace

void KeepHeapTopForPages() {
#ifdef __GLIBC__
    static const bool kept = mallopt(M_TOP_PAD, 512 * 1024) == 1;
    (void)kept;
#endif
}

PdfOutput::PdfOutput(const std::string& path, int dpi) : path_(path), dpi_(dpi), file_(path) {
    KeepHeapTopForPages();
}

PdfOutput::~PdfOutput() {
    // The painter and the writer go before the file they write to.
    painter_.reset();
    writer_.reset();
    file_.Discard();
}

bool PdfOutput::Fail(const std::string& reason) {
    if (error_.empty()) error_ = reason;
    return false;
}

QPainter* PdfOutput::NewPage(int contentWidth, int contentHeight) {
    if (!error_.empty() || finished_) return nullptr;
    const QPageLayout layout(PageFor(contentWidth, contentHeight, dpi_), QPageLayout::Portrait,
                             QMarginsF(0, 0, 0, 0));
    if (!writer_) {
        if (!file_.Begin()) {
            Fail(file_.ErrorText());
            return nullptr;
        }
        writer_ = std::make_unique<QPdfWriter>(&file_);
        writer_->setResolution(dpi_);
        writer_->setCreator(QStringLiteral("Tallivo"));
        writer_->setPageLayout(layout);
        painter_ = std::make_unique<QPainter>();
        if (!painter_->begin(writer_.get())) {
            painter_.reset();
            Fail("cannot start the PDF");
            return nullptr;
        }
        return painter_.get();
    }
    writer_->setPageLayout(layout);
    if (!writer_->newPage()) {
        Fail("cannot start a new page");
        return nullptr;
    }
    return painter_.get();
}

bool PdfOutput::Finish() {
    if (finished_) return error_.empty();
    finished_ = true;
    if (!writer_ && error_.empty()) Fail("no page was drawn");
    if (painter_ && !painter_->end()) Fail("cannot end the PDF");
    painter_.reset();
    writer_.reset();
    // The writer does not report failed writes; the file does, and the commit checks the
    // flush to disk and the rename.
    if (error_.empty() && !file_.Commit()) Fail(file_.ErrorText());
    file_.Discard();
    return error_.empty();
}

}  // namespace tallivo
