#pragma once

#include <string>
#include <utility>

namespace tallivo {

// An editable text as the capture engine sees it: GBK plain text, selection in bytes of that
// text (0-based start), and focus. The GUI's rich-text boxes and the command line implement it
// over a QTextDocument; PlainTextDocument serves the core and its tests.
class TextDocument {
public:
    virtual ~TextDocument() = default;

    // The whole content as GBK; a paragraph break is CR LF.
    virtual std::string PlainText() const = 0;

    virtual int SelStart() const = 0;
    virtual int SelLength() const = 0;
    // Positions outside the text are clamped to it.
    virtual void SetSelection(int start, int length) = 0;

    // Replaces the selection with GBK text; with no selection, inserts at the caret.
    // The caret ends after the inserted text, with nothing selected.
    virtual void ReplaceSelection(const std::string& text) = 0;

    virtual bool CanFocus() const = 0;
    virtual void SetFocus() = 0;
    virtual bool Focused() const = 0;
};

// A std::string document for the core and its tests.
class PlainTextDocument : public TextDocument {
public:
    PlainTextDocument() = default;
    explicit PlainTextDocument(std::string text) : text_(std::move(text)) {}

    std::string PlainText() const override { return text_; }
    const std::string& Text() const { return text_; }
    void SetText(std::string text) {
        text_ = std::move(text);
        start_ = length_ = 0;
    }

    int SelStart() const override { return start_; }
    int SelLength() const override { return length_; }
    void SetSelection(int start, int length) override {
        const int n = static_cast<int>(text_.size());
        start_ = start < 0 ? 0 : (start > n ? n : start);
        length_ = length < 0 ? 0 : (length > n - start_ ? n - start_ : length);
    }
    void ReplaceSelection(const std::string& text) override {
        text_.replace(static_cast<std::size_t>(start_), static_cast<std::size_t>(length_), text);
        start_ += static_cast<int>(text.size());
        length_ = 0;
    }

    bool CanFocus() const override { return canFocus_; }
    void SetFocus() override { focused_ = canFocus_; }
    bool Focused() const override { return focused_; }
    void SetCanFocus(bool can) { canFocus_ = can; }
    void SetFocused(bool focused) { focused_ = focused; }

private:
    std::string text_;
    int start_ = 0;
    int length_ = 0;
    bool canFocus_ = true;
    bool focused_ = false;
};

}  // namespace tallivo
