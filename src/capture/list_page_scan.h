#pragma once

#include <string_view>
#include <vector>

#include "text/text_search.h"

namespace tallivo {

// Backward scans for the list-page parsers, with the results of SkipBlanksBackward and
// FindBlankBackward. A page pasted without line breaks or blanks would make every entry scan
// back to the start of the text; a scan that runs long therefore switches the scanner to tables
// built once over the whole text, which keeps the walk over all entries linear.
class ListPageScanner {
public:
    explicit ListPageScanner(std::string_view text)
        : text_(text), n_(static_cast<int>(text.size())) {}

    int SkipBlanksBackward(int p) {
        if (p <= 0 || p > n_) return tallivo::SkipBlanksBackward(text_, p);
        if (!tables_.empty()) return tables_[Index(p)].skipBlanks;
        int steps = 0;
        while (p > 0) {
            if (++steps > kDirectLimit) return Tables()[Index(p)].skipBlanks;
            if (IsSpaceOrTab(p)) {
                --p;
            } else if (p < 2) {
                break;
            } else if (IsPairEndingAt(p)) {
                p -= 2;
            } else {
                break;
            }
        }
        return p;
    }

    int FindBlankBackward(int p) {
        if (p <= 0) return 0;
        if (p > n_) p = n_;  // bytes past the end read as 0, no blank
        if (!tables_.empty()) return tables_[Index(p)].blankEnd;
        for (int steps = 0; p > 0; --p) {
            if (++steps > kDirectLimit) return Tables()[Index(p)].blankEnd;
            if (IsBlankEnd(p)) return p;
        }
        return 0;
    }

    // Position of the nearest LF at or before `p` that has a CR before it; 0 when there is none.
    int LineBreakBackward(int p) {
        if (p > n_) p = n_;
        if (p < 2) return 0;
        if (!tables_.empty()) return tables_[Index(p)].lineBreak;
        for (int steps = 0; p > 1; --p) {
            if (++steps > kDirectLimit) return Tables()[Index(p)].lineBreak;
            if (IsLineBreakEnd(p)) return p;
        }
        return 0;
    }

private:
    // Longer than any line of a real page; only text without breaks gets here.
    static constexpr int kDirectLimit = 4096;

    struct Entry {
        int skipBlanks = 0;
        int blankEnd = 0;
        int lineBreak = 0;
    };

    static std::size_t Index(int p) { return static_cast<std::size_t>(p); }
    unsigned char At(int p) const { return ByteAt(text_, p); }
    bool IsSpaceOrTab(int p) const { return At(p) == ' ' || At(p) == '\t'; }
    bool IsLineBreakEnd(int p) const { return At(p) == '\n' && At(p - 1) == '\r'; }
    bool IsPairEndingAt(int p) const {
        return IsLineBreakEnd(p) || (At(p - 1) == 0xA1 && At(p) == 0xA1);
    }
    bool IsBlankEnd(int p) const { return IsSpaceOrTab(p) || (p > 1 && IsPairEndingAt(p)); }

    const std::vector<Entry>& Tables() {
        if (!tables_.empty()) return tables_;
        tables_.resize(Index(n_) + 1);
        for (int p = 1; p <= n_; ++p) {
            Entry& e = tables_[Index(p)];
            const Entry& prev = tables_[Index(p - 1)];
            if (IsSpaceOrTab(p)) {
                e.skipBlanks = prev.skipBlanks;
            } else if (p >= 2 && IsPairEndingAt(p)) {
                e.skipBlanks = tables_[Index(p - 2)].skipBlanks;
            } else {
                e.skipBlanks = p;
            }
            e.blankEnd = IsBlankEnd(p) ? p : prev.blankEnd;
            e.lineBreak = p > 1 && IsLineBreakEnd(p) ? p : prev.lineBreak;
        }
        return tables_;
    }

    std::string_view text_;
    int n_;
    std::vector<Entry> tables_;
};

}  // namespace tallivo
