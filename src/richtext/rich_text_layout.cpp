#include "richtext/rich_text_layout.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QImage>
#include <QPaintDevice>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextOption>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "richtext/rich_text_content.h"

namespace tallivo {

namespace {

// Characters a first prefix copy holds at least.
constexpr int kMinLayoutPrefixChars = 4096;
// The room a small character takes, in twips, for a first guess of how much text can fit: 5
// points wide on 8-point lines. Smaller or zero-width text only costs more tries.
constexpr double kSmallGlyphWidth = 100;
constexpr double kSmallLineHeight = 160;
// Longer texts are laid out through a copy, which lays out only what the rectangle shows.
constexpr int kMaxDirectChars = 4096;

// Text is laid out in twips on a device of 1440 dots per inch, so that line breaks and
// positions do not depend on the resolution of the device it is drawn on.
QPaintDevice* TwipsDevice() {
    static QImage* device = [] {
        auto* image = new QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = qRound(1440 / 0.0254);
        image->setDotsPerMeterX(dotsPerMeter);
        image->setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

// A copy of the document's first `chars` positions with their formats (all of them when
// `chars` reaches the end), as clone() copies the whole, laid out in twips at `width`. Every
// setting that lays the document out again is made while it is still empty, so that the text
// is laid out once, as it goes in.
void SetUp(QTextDocument& doc, double width) {
    QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    frame.setMargin(0);
    doc.rootFrame()->setFrameFormat(frame);
    QTextOption option = doc.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab stops every half inch, as rich-edit controls set them. Qt scales the distance by the
    // layout device's resolution over 96 dpi, so this is 720 twips.
    option.setTabStopDistance(48);
    doc.setDefaultTextOption(option);
    doc.setTextWidth(std::min(width, kMaxLayoutTwips));
}

// A copy of the document's first `chars` positions with their formats (all of them when
// `chars` reaches the end), as clone() copies the whole, laid out in twips at `width`. The
// settings that lay a document out again are made while it is still empty, so that the text is
// laid out once, as it goes in.
std::unique_ptr<QTextDocument> LaidOutCopy(const QTextDocument& source, int chars, double width) {
    if (source.isEmpty()) {
        // Its one empty line keeps the height of its format only when laid out after the copy.
        std::unique_ptr<QTextDocument> doc(source.clone());
        doc->setUndoRedoEnabled(false);
        doc->documentLayout()->setPaintDevice(TwipsDevice());
        SetUp(*doc, width);
        return doc;
    }
    auto doc = std::make_unique<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    doc->documentLayout()->setPaintDevice(TwipsDevice());
    doc->rootFrame()->setFrameFormat(source.rootFrame()->frameFormat());
    doc->setDefaultFont(source.defaultFont());
    doc->setIndentWidth(source.indentWidth());
    doc->setDefaultStyleSheet(source.defaultStyleSheet());
    doc->setResourceProvider(source.resourceProvider());
    doc->setDefaultTextOption(source.defaultTextOption());
    SetUp(*doc, width);
    if (chars >= source.characterCount() - 1) {
        // Cheaper than a fragment, which builds a whole document in between.
        if (const std::optional<RichTextContent> content = RichTextContent::Of(source)) {
            content->FillEmpty(*doc);
            return doc;
        }
    }
    // Selecting does not change the source; Qt's own whole-document fragment casts alike.
    QTextCursor selection(const_cast<QTextDocument*>(&source));
    if (chars < source.characterCount() - 1) {
        selection.setPosition(chars, QTextCursor::KeepAnchor);
    } else {
        selection.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    QTextCursor(doc.get()).insertFragment(QTextDocumentFragment(selection));
    return doc;
}

struct Fit {
    double bottom = 0;
    bool exact = false;  // the lines that matter are those of the whole document
};

// Bottom of the last whole line within `height`. In a copy cut short, the last block may end
// early; its lines are trusted only while three more follow, since a line's break depends on
// the text of the next line and the one after it may be cut.
Fit FitLines(QTextDocument& doc, double height, bool cut) {
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    const QTextBlock last = doc.lastBlock();
    Fit fit;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        layout->blockBoundingRect(block);  // makes sure the block is laid out
        const QTextLayout* lines = block.layout();
        if (!lines) continue;
        const double top = lines->position().y();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const double lineBottom = top + line.y() + line.height();
            if (lineBottom > height + 0.5) {
                fit.exact = !cut || block != last || lines->lineCount() >= i + 3;
                return fit;
            }
            fit.bottom = lineBottom;
        }
    }
    fit.exact = !cut;
    return fit;
}

// A copy of the document, laid out by Qt's document layout.
class DocumentText final : public LaidOutText {
public:
    explicit DocumentText(std::unique_ptr<QTextDocument> doc) : doc_(std::move(doc)) {}
    std::vector<Paragraph> Paragraphs() const override {
        std::vector<Paragraph> out;
        for (QTextBlock block = doc_->begin(); block.isValid(); block = block.next())
            out.push_back({block.position(), block.text(), block.layout()});
        return out;
    }
    int CharacterCount() const override { return doc_->characterCount(); }
    double Width() const override { return doc_->size().width(); }
    void Draw(QPainter& painter, const QRectF& clip) const override {
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc_->documentLayout()->draw(&painter, context);
    }

private:
    std::unique_ptr<QTextDocument> doc_;
};

// Paragraphs whose lines are made with QTextLayout directly, each in one format, as Qt's
// document layout makes them for a copy set up as above: building and freeing that copy cost
// more than laying its text out.
class DirectText final : public LaidOutText {
public:
    struct Laid {
        int position = 0;
        QString text;
        std::unique_ptr<QTextLayout> lines;
        QPen pen;
    };
    std::vector<Laid> paragraphs;
    int characters = 0;
    double width = 0;

    std::vector<Paragraph> Paragraphs() const override {
        std::vector<Paragraph> out;
        for (const Laid& p : paragraphs) out.push_back({p.position, p.text, p.lines.get()});
        return out;
    }
    int CharacterCount() const override { return characters; }
    double Width() const override { return width; }
    void Draw(QPainter& painter, const QRectF& clip) const override {
        for (const Laid& p : paragraphs) {
            painter.setPen(p.pen);
            p.lines->draw(&painter, QPointF(), {}, clip);
        }
    }
};

// The format checks count the properties they allow and compare with the format's count:
// QTextFormat::properties() builds a map on every call.

// Block formats that place lines as a bare QTextLayout does: no margins, indents, tabs of their
// own, line spacing, background or right-to-left direction.
bool PlainBlockFormat(const QTextBlockFormat& format) {
    int allowed = 0;
    for (const int id :
         {QTextFormat::BlockTopMargin, QTextFormat::BlockBottomMargin, QTextFormat::BlockLeftMargin,
          QTextFormat::BlockRightMargin, QTextFormat::TextIndent, QTextFormat::BlockIndent,
          QTextFormat::LineHeightType}) {
        if (!format.hasProperty(id)) continue;
        if (format.property(id).toDouble() != 0) return false;
        ++allowed;
    }
    if (format.hasProperty(QTextFormat::LayoutDirection)) {
        if (format.intProperty(QTextFormat::LayoutDirection) == Qt::RightToLeft) return false;
        ++allowed;
    }
    allowed += format.hasProperty(QTextFormat::BlockAlignment);
    allowed += format.hasProperty(QTextFormat::LineHeight);
    return allowed == format.propertyCount();
}

// Character formats that are a font and a colour, which a bare layout draws alike.
bool PlainCharFormat(const QTextCharFormat& format) {
    int allowed = 0;
    for (int id = QTextFormat::FirstFontProperty; id <= QTextFormat::LastFontProperty; ++id) {
        if (id != QTextFormat::FontSizeAdjustment) allowed += format.hasProperty(id);
    }
    allowed += format.hasProperty(QTextFormat::ForegroundBrush);
    if (format.hasProperty(QTextFormat::TextUnderlineStyle)) {
        const int style = format.intProperty(QTextFormat::TextUnderlineStyle);
        if (style != QTextCharFormat::NoUnderline && style != QTextCharFormat::SingleUnderline)
            return false;
        ++allowed;
    }
    return allowed == format.propertyCount();
}

// The root frame as the copy sets it up: without margins, and nothing else around the text.
bool PlainFrameFormat(QTextFrameFormat frame) {
    frame.setMargin(0);
    return frame.topMargin() == 0 && frame.bottomMargin() == 0 && frame.leftMargin() == 0 &&
           frame.rightMargin() == 0 && frame.border() == 0 && frame.padding() == 0 &&
           !frame.hasProperty(QTextFormat::BackgroundBrush) &&
           !frame.hasProperty(QTextFormat::FrameWidth) &&
           !frame.hasProperty(QTextFormat::FrameHeight);
}

// Lays one paragraph out from `y` down as the document layout does, and returns the top of
// the next one.
double LayOutParagraph(QTextLayout& layout, QTextOption option, double width, double y,
                       double* contentsWidth) {
    const bool wordOrAnywhere = option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;
    layout.setTextOption(option);
    layout.setPosition(QPointF(0, y));
    const double top = y;
    double bottom = y;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        if (line.naturalTextWidth() > width) {
            // Qt's document layout tries once more, then breaks anywhere.
            line.setLineWidth(width);
            if (line.naturalTextWidth() > width) {
                if (wordOrAnywhere) {
                    option.setWrapMode(QTextOption::WrapAnywhere);
                    layout.setTextOption(option);
                }
                line.setLineWidth(std::max(line.naturalTextWidth(), width));
                if (wordOrAnywhere) {
                    option.setWrapMode(QTextOption::WordWrap);
                    layout.setTextOption(option);
                }
            }
        }
        line.setPosition(QPointF(0, y - top));
        bottom = y + line.height();
        y += std::ceil(line.ascent() + line.descent() + line.leading());
        *contentsWidth = std::max(*contentsWidth, line.x() + line.naturalTextWidth());
    }
    layout.endLayout();
    return std::max(y, bottom);
}

// The document laid out directly, or nothing when it holds more than plain paragraphs.
std::unique_ptr<DirectText> LayOutDirectly(const QTextDocument& source, double width) {
    if (source.characterCount() > kMaxDirectChars || !source.rootFrame()->childFrames().isEmpty())
        return nullptr;
    if (!PlainFrameFormat(source.rootFrame()->frameFormat())) return nullptr;
    QTextOption option = source.defaultTextOption();
    if (option.flags() & QTextOption::AddSpaceForLineAndParagraphSeparators) return nullptr;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(48);
    option.setTextDirection(Qt::LeftToRight);
    option.setTabs({});
    const double lineWidth = std::min(width, kMaxLayoutTwips);
    auto out = std::make_unique<DirectText>();
    double contentsWidth = 0;
    double y = 0;
    for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat blockFormat = block.blockFormat();
        if (!block.isVisible() || block.textList() || !PlainBlockFormat(blockFormat) ||
            block.textDirection() != Qt::LeftToRight)
            return nullptr;
        // The one format of the paragraph's runs; an empty paragraph takes its own.
        QTextCharFormat format = block.charFormat();
        bool first = true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat run = it.fragment().charFormat();
            if (first) {
                format = run;
                first = false;
            } else if (run != format) {
                return nullptr;
            }
        }
        if (!PlainCharFormat(format)) return nullptr;
        const QString text = block.text();
        if (text.contains(QChar::ObjectReplacementCharacter)) return nullptr;

        Qt::Alignment align = source.defaultTextOption().alignment();
        if (blockFormat.hasProperty(QTextFormat::BlockAlignment)) align = blockFormat.alignment();
        if (!(align & Qt::AlignHorizontal_Mask)) align |= Qt::AlignLeft;
        if (align & (Qt::AlignLeft | Qt::AlignRight)) align |= Qt::AlignAbsolute;
        option.setAlignment(align);

        DirectText::Laid laid;
        laid.position = block.position();
        laid.text = text;
        laid.lines =
            std::make_unique<QTextLayout>(text, QFont(format.font(), TwipsDevice()), TwipsDevice());
        // Drawing then takes the glyphs of the layout instead of shaping the text again.
        laid.lines->setCacheEnabled(true);
        const QBrush foreground = format.foreground();
        // Text is filled, so the width of its pen shows nowhere; that of the painter's default
        // pen keeps a PDF page from switching widths around every box.
        laid.pen = QPen(foreground.style() == Qt::NoBrush ? QBrush(Qt::black) : foreground, 1);
        y = LayOutParagraph(*laid.lines, option, lineWidth, y, &contentsWidth);
        out->characters += static_cast<int>(text.size()) + 1;
        out->paragraphs.push_back(std::move(laid));
    }
    out->width = std::max(lineWidth, contentsWidth);
    return out;
}

double DirectBottom(const DirectText& text, double height) {
    double bottom = 0;
    for (const DirectText::Laid& p : text.paragraphs) {
        const double top = p.lines->position().y();
        for (int i = 0; i < p.lines->lineCount(); ++i) {
            const QTextLine line = p.lines->lineAt(i);
            const double lineBottom = top + line.y() + line.height();
            if (lineBottom > height + 0.5) return bottom;
            bottom = lineBottom;
        }
    }
    return bottom;
}

// Everything a layout depends on: settings, text and formats, compared instead of laying the
// document out again.
struct Signature {
    QFont font;
    QTextOption option;
    QTextFrameFormat frame;
    qreal indentWidth = 0;
    QString styleSheet;
    QString text;
    std::vector<QTextFormat> formats;  // per block its two formats, then each run's
    std::vector<int> runs;

    bool operator==(const Signature& o) const {
        // The text first: what tells the boxes of a batch apart.
        return text == o.text && runs == o.runs && font == o.font && SameOption(option, o.option) &&
               frame == o.frame && indentWidth == o.indentWidth && styleSheet == o.styleSheet &&
               formats == o.formats;
    }
    static bool SameOption(const QTextOption& a, const QTextOption& b) {
        return a.alignment() == b.alignment() && a.wrapMode() == b.wrapMode() &&
               a.flags() == b.flags() && a.tabStopDistance() == b.tabStopDistance() &&
               a.tabs() == b.tabs() && a.textDirection() == b.textDirection() &&
               a.useDesignMetrics() == b.useDesignMetrics();
    }
};

// Longer documents, or those with frames, tables, lists or images, whose formats point at
// objects of their own document, are laid out anew each time.
constexpr int kMaxSignatureChars = 4096;

std::optional<Signature> SignatureOf(const QTextDocument& doc) {
    if (doc.characterCount() > kMaxSignatureChars || !doc.rootFrame()->childFrames().isEmpty())
        return std::nullopt;
    Signature sig;
    sig.font = doc.defaultFont();
    sig.option = doc.defaultTextOption();
    sig.frame = doc.rootFrame()->frameFormat();
    sig.indentWidth = doc.indentWidth();
    sig.styleSheet = doc.defaultStyleSheet();
    sig.text = doc.toRawText();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.textList() || block.blockFormat().objectIndex() != -1) return std::nullopt;
        sig.formats.push_back(block.blockFormat());
        sig.formats.push_back(block.charFormat());
        sig.runs.push_back(-1);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.objectIndex() != -1 || format.isImageFormat()) return std::nullopt;
            sig.formats.push_back(format);
            sig.runs.push_back(fragment.length());
        }
    }
    return sig;
}

struct Kept {
    Signature signature;
    double width = 0;
    double height = 0;
    int firstPrefixChars = 0;
    std::shared_ptr<const LaidOutText> text;
    double bottom = 0;
};

// About two forms' worth of boxes. Only the application's thread keeps copies; they go with
// the application, since their fonts must not outlive it.
constexpr std::size_t kKeptLayouts = 32;

// Held by pointer, so that reordering them moves no signatures.
using KeptList = std::vector<std::unique_ptr<Kept>>;

KeptList* keptLayouts = nullptr;

KeptList* KeptLayouts() {
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return nullptr;
    if (!keptLayouts) {
        keptLayouts = new KeptList;
        qAddPostRoutine([] {
            delete keptLayouts;
            keptLayouts = nullptr;
        });
    }
    return keptLayouts;
}

int FirstPrefix(double width, double height) {
    const double w = std::min(width, kMaxLayoutTwips) / kSmallGlyphWidth + 1;
    const double h = std::min(height, kMaxLayoutTwips) / kSmallLineHeight + 1;
    const double chars = w * h;
    if (chars >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return std::max(kMinLayoutPrefixChars, static_cast<int>(chars));
}

FittingLayout LayOutAnew(const QTextDocument& document, double width, double height,
                         int firstPrefixChars) {
    // Positions run from 0 to the one before the final paragraph mark.
    const int end = document.characterCount() - 1;
    int chars = firstPrefixChars > 0 ? firstPrefixChars : FirstPrefix(width, height);
    if (chars >= end) {
        if (std::unique_ptr<DirectText> direct = LayOutDirectly(document, width)) {
            const double bottom = DirectBottom(*direct, height);
            return {std::move(direct), bottom};
        }
    }
    for (;;) {
        const bool cut = chars < end;
        std::unique_ptr<QTextDocument> doc = LaidOutCopy(document, cut ? chars : end, width);
        const Fit fit = FitLines(*doc, height, cut);
        if (fit.exact) return {std::make_shared<DocumentText>(std::move(doc)), fit.bottom};
        chars = chars > end / 4 ? end : chars * 4;
    }
}

}  // namespace

FittingLayout LayOutToFit(const QTextDocument& document, double width, double height,
                          int firstPrefixChars) {
    KeptList* kept = KeptLayouts();
    std::optional<Signature> signature;
    if (kept) signature = SignatureOf(document);
    if (!signature) return LayOutAnew(document, width, height, firstPrefixChars);
    for (auto it = kept->begin(); it != kept->end(); ++it) {
        const Kept& k = **it;
        if (k.width == width && k.height == height && k.firstPrefixChars == firstPrefixChars &&
            k.signature == *signature) {
            // The most recently used go last, so the oldest go first.
            std::rotate(it, it + 1, kept->end());
            return {kept->back()->text, kept->back()->bottom};
        }
    }
    FittingLayout laidOut = LayOutAnew(document, width, height, firstPrefixChars);
    if (kept->size() >= kKeptLayouts) kept->erase(kept->begin());
    kept->push_back(std::make_unique<Kept>(Kept{std::move(*signature), width, height,
                                                firstPrefixChars, laidOut.text, laidOut.bottom}));
    return laidOut;
}

}  // namespace tallivo
