#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/background_image.h"
#include "richtext/rich_text_document.h"
#include "storage/template_records.h"
#include "text/message_sink.h"

namespace tallivo {

// Limits of the freight-bill spin edits; stored values outside them are clamped on reading.
constexpr int kMinPrintWidth = 30;
constexpr int kMaxPrintWidth = 300;
constexpr int kMinBias = -50;
constexpr int kMaxBias = 50;

// One text box on the waybill: screen pixels relative to the panel, and its rich text.
struct FieldBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::unique_ptr<RichTextDocument> content;
};

// Follows a freight-bill form, so that the waybill panel can rebuild only what changed.
class FreightBillListener {
public:
    virtual ~FreightBillListener() = default;
    virtual void BoxAdded(int index) { (void)index; }
    // Before the box and its document go.
    virtual void BoxAboutToBeRemoved(int index) { (void)index; }
    // Before every box goes at once.
    virtual void BoxesAboutToBeCleared() {}
    virtual void BackgroundChanged() {}
    virtual void PrintSettingsChanged() {}
};

// The freight-bill tab: background bitmap as fitted, print settings in millimetres, and the
// field boxes in creation order, which is also the stored and printed order.
class FreightBillForm {
public:
    QImage background;  // empty when none is loaded
    // The picture's file in the image folder (GBK), written into saved documents so that they
    // reopen over it; empty when the picture shown is in no stored file.
    std::string backgroundName;
    QSize pictureArea = kPictureArea;
    int printWidth = kDefaultPrintWidth;
    int biasX = 0;
    int biasY = 0;
    std::vector<std::unique_ptr<FieldBox>> boxes;

    // Makes the document of a new box; a GUI may hand out documents its widgets show.
    std::function<std::unique_ptr<RichTextDocument>()> makeBoxDocument;
    FreightBillListener* listener = nullptr;

    // Boxes cleared from a form that no panel shows, last first, whose documents the next boxes
    // take again: a batch applies the same template for every order, and a document costs more
    // to build and free than to fill.
    std::vector<std::unique_ptr<FieldBox>> spareBoxes;
};

// Appends a box with these bounds; text that begins with an RTF header is taken as formatted
// content, anything else as GBK plain text.
FieldBox& AddFieldBox(FreightBillForm& form, std::string_view textOrRtf, int left, int top,
                      int height, int width);

// The same, with the box's content put in from one read before.
FieldBox& AddFieldBox(FreightBillForm& form, const RichTextContent& content, int left, int top,
                      int height, int width);

// Removes one box (an emptied box deleted by the user); false when it is not in the form.
bool RemoveFieldBox(FreightBillForm& form, const FieldBox* box);

// No boxes, no background, width 190 and offsets 0.
void ClearFreightBill(FreightBillForm& form);

// Appends the record of the form's current state, naming `imageName` (GBK, without folder)
// as its background, to `buffer` and returns it.
std::string& WriteFreightBillRecord(std::string& buffer, const FreightBillForm& form,
                                    const std::string& imageName);

// Applies a record read from its first byte on top of what the caller left in the form. The
// background named in it is loaded from `programFolder`'s image folder. On damage the
// freight-bill reading message is shown and everything read before it stays applied.
bool ApplyFreightBillRecord(FreightBillForm& form, std::string_view record,
                            const std::string& programFolder, Prompter* prompter,
                            BackgroundCache* cache = nullptr);

// The same for a record already read. With `pictureJpeg`, a named background is taken from
// those bytes instead of the image folder (an exchange file carries its own picture, and the
// folder's copy may not exist yet).
bool ApplyFreightBillRecord(FreightBillForm& form, const FreightBillRecordRead& read,
                            const std::string& programFolder, Prompter* prompter,
                            const std::string* pictureJpeg = nullptr,
                            BackgroundCache* cache = nullptr);

// A template record read once, its boxes' rich text with it, to put on the form order after
// order without reading it again.
struct ParsedFreightBillTemplate {
    FreightBillRecordRead read;
    // Per box of the record; none for a box whose content is read from its RTF each time.
    std::vector<std::optional<RichTextContent>> boxes;
};
ParsedFreightBillTemplate ParseFreightBillTemplate(std::string_view record);

// As ApplyFreightBillRecord for the record it was read from.
bool ApplyFreightBillTemplate(FreightBillForm& form, const ParsedFreightBillTemplate& parsed,
                              const std::string& programFolder, Prompter* prompter,
                              const std::string* pictureJpeg = nullptr,
                              BackgroundCache* cache = nullptr);

}  // namespace tallivo
