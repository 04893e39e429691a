// The words of a PDF with their places, read by pdftotext -bbox (poppler-utils).
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <string>
#include <vector>

namespace tallivo::testing {

struct PdfWord {
    int page = 0;  // from 1
    double left = 0;
    double top = 0;  // points from the page's top-left corner
    double right = 0;
    QString text;
};

struct PdfText {
    int pages = 0;
    std::vector<PdfWord> words;

    // The first word that is `text`, or null.
    const PdfWord* Find(const QString& text) const {
        for (const PdfWord& w : words)
            if (w.text == text) return &w;
        return nullptr;
    }
};

inline PdfText ReadPdfText(const QString& pdf) {
    QProcess run;
    run.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    PdfText text;
    if (!run.waitForFinished(30000)) return text;
    const QString html = QString::fromUtf8(run.readAllStandardOutput());
    static const QRegularExpression tag(
        QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                       "xMax=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++text.pages;
            continue;
        }
        text.words.push_back({text.pages, m.captured(1).toDouble(), m.captured(2).toDouble(),
                              m.captured(3).toDouble(), m.captured(4)});
    }
    return text;
}

// Left and top in points of the first word on page 1 equal to `word` (UTF-8).
inline bool WordBox(const std::string& pdf, const std::string& word, double* x, double* y) {
    const PdfText text = ReadPdfText(QString::fromStdString(pdf));
    for (const PdfWord& w : text.words) {
        if (w.page == 1 && w.text == QString::fromStdString(word)) {
            *x = w.left;
            *y = w.top;
            return true;
        }
    }
    return false;
}

}  // namespace tallivo::testing
