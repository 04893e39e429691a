#include "cli/pdf_output.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <algorithm>

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

PdfOutput::PdfOutput(const std::string& path, int dpi) : path_(path), dpi_(dpi) {}

PdfOutput::~PdfOutput() {
    Finish();
}

QPainter* PdfOutput::NewPage(int contentWidth, int contentHeight) {
    if (failed_ || finished_) return nullptr;
    const QPageSize size = PageFor(contentWidth, contentHeight, dpi_);
    if (!writer_) {
        writer_ = std::make_unique<QPdfWriter>(QString::fromStdString(path_));
        writer_->setResolution(dpi_);
        writer_->setCreator(QStringLiteral("Tallivo"));
        writer_->setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        painter_ = std::make_unique<QPainter>();
        if (!painter_->begin(writer_.get())) {
            failed_ = true;
            painter_.reset();
            writer_.reset();
            return nullptr;
        }
        return painter_.get();
    }
    writer_->setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    if (!writer_->newPage()) {
        failed_ = true;
        return nullptr;
    }
    return painter_.get();
}

bool PdfOutput::Finish() {
    if (finished_) return !failed_;
    finished_ = true;
    if (painter_) {
        if (!painter_->end()) failed_ = true;
        painter_.reset();
    }
    writer_.reset();
    if (!failed_) {
        // QPdfWriter reports a failed open only through an inactive painter; a short write
        // leaves a file without its trailer.
        QFile f(QString::fromStdString(path_));
        if (!f.exists() || f.size() == 0) failed_ = true;
    }
    return !failed_;
}

}  // namespace tallivo
