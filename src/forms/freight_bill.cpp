#include "forms/freight_bill.h"

#include <algorithm>
#include <optional>
#include <typeinfo>

#include "richtext/rtf.h"
#include "storage/file_io.h"

namespace tallivo {

namespace {

template <typename Fill>
FieldBox& AddBox(FreightBillForm& form, int left, int top, int height, int width, Fill fill) {
    std::unique_ptr<FieldBox> box;
    if (!form.makeBoxDocument && !form.spareBoxes.empty()) {
        box = std::move(form.spareBoxes.back());
        form.spareBoxes.pop_back();
        box->content->SetCanFocus(true);
        box->content->SetFocused(false);
    } else {
        box = std::make_unique<FieldBox>();
        box->content =
            form.makeBoxDocument ? form.makeBoxDocument() : std::make_unique<RichTextDocument>();
    }
    box->left = left;
    box->top = top;
    box->height = height;
    box->width = width;
    fill(*box->content);
    form.boxes.push_back(std::move(box));
    if (form.listener) form.listener->BoxAdded(static_cast<int>(form.boxes.size()) - 1);
    return *form.boxes.back();
}

}  // namespace

FieldBox& AddFieldBox(FreightBillForm& form, std::string_view textOrRtf, int left, int top,
                      int height, int width) {
    return AddBox(form, left, top, height, width,
                  [&](RichTextDocument& doc) { doc.SetTextOrRtf(textOrRtf); });
}

FieldBox& AddFieldBox(FreightBillForm& form, const RichTextContent& content, int left, int top,
                      int height, int width) {
    return AddBox(form, left, top, height, width,
                  [&](RichTextDocument& doc) { doc.LoadContent(content); });
}

bool RemoveFieldBox(FreightBillForm& form, const FieldBox* box) {
    auto it = std::find_if(form.boxes.begin(), form.boxes.end(),
                           [box](const std::unique_ptr<FieldBox>& b) { return b.get() == box; });
    if (it == form.boxes.end()) return false;
    if (form.listener)
        form.listener->BoxAboutToBeRemoved(static_cast<int>(it - form.boxes.begin()));
    form.boxes.erase(it);
    return true;
}

void ClearFreightBill(FreightBillForm& form) {
    if (form.listener) form.listener->BoxesAboutToBeCleared();
    form.spareBoxes.clear();
    if (!form.listener && !form.makeBoxDocument) {
        form.spareBoxes.reserve(form.boxes.size());
        for (auto it = form.boxes.rbegin(); it != form.boxes.rend(); ++it) {
            // Documents of a panel that has gone are not taken again.
            const RichTextDocument* doc = (*it)->content.get();
            if (doc && typeid(*doc) == typeid(RichTextDocument))
                form.spareBoxes.push_back(std::move(*it));
        }
    }
    form.boxes.clear();
    form.background = QImage();
    form.backgroundName.clear();
    form.printWidth = kDefaultPrintWidth;
    form.biasX = 0;
    form.biasY = 0;
    if (form.listener) {
        form.listener->BackgroundChanged();
        form.listener->PrintSettingsChanged();
    }
}

std::string& WriteFreightBillRecord(std::string& buffer, const FreightBillForm& form,
                                    const std::string& imageName) {
    FreightBillRecord record;
    record.backgroundImage = imageName;
    record.printWidth = form.printWidth;
    record.biasX = form.biasX;
    record.biasY = form.biasY;
    record.boxes.reserve(form.boxes.size());
    for (const auto& box : form.boxes) {
        record.boxes.push_back(
            {box->left, box->top, box->height, box->width, box->content->ToRtf()});
    }
    AppendFreightBillRecord(buffer, record);
    return buffer;
}

bool ApplyFreightBillRecord(FreightBillForm& form, std::string_view record,
                            const std::string& programFolder, Prompter* prompter,
                            BackgroundCache* cache) {
    return ApplyFreightBillRecord(form, ReadFreightBillRecord(record), programFolder, prompter,
                                  nullptr, cache);
}

namespace {

bool Apply(FreightBillForm& form, const FreightBillRecordRead& read,
           const std::vector<std::optional<RichTextContent>>* parsedBoxes,
           const std::string& programFolder, Prompter* prompter, const std::string* pictureJpeg,
           BackgroundCache* cache) {
    BackgroundCache spare;
    BackgroundCache& pictures = cache ? *cache : spare;
    // Saved documents name the template's picture whether or not it could be shown now.
    if (read.backgroundImage) form.backgroundName = *read.backgroundImage;
    // The picture is decoded on another core while the boxes are built.
    std::optional<PendingBackground> picture;
    if (read.backgroundImage && pictureJpeg) {
        picture = pictures.BeginJpeg(*pictureJpeg, form.pictureArea);
    } else if (read.backgroundImage) {
        const std::optional<std::string> path =
            BackgroundImagePath(programFolder, *read.backgroundImage);
        if (path) {
            picture = pictures.Begin(*path, form.pictureArea);
        } else if (prompter) {
            // A name that would leave the image folder is never opened.
            prompter->ShowMessage(CannotOpenPictureMessage());
        }
    }
    // The spin edits hold only values within their limits.
    if (read.printWidth)
        form.printWidth = std::clamp(*read.printWidth, kMinPrintWidth, kMaxPrintWidth);
    if (read.biasX) form.biasX = std::clamp(*read.biasX, kMinBias, kMaxBias);
    if (read.biasY) form.biasY = std::clamp(*read.biasY, kMinBias, kMaxBias);
    if (form.listener) form.listener->PrintSettingsChanged();
    for (std::size_t i = 0; i < read.boxes.size(); ++i) {
        const FieldBoxRecord& box = read.boxes[i];
        if (parsedBoxes && i < parsedBoxes->size() && (*parsedBoxes)[i]) {
            AddFieldBox(form, *(*parsedBoxes)[i], box.left, box.top, box.height, box.width);
        } else {
            AddFieldBox(form, box.rtf, box.left, box.top, box.height, box.width);
        }
    }
    if (picture) picture->Finish(&form.background, prompter);
    if (form.listener) form.listener->BackgroundChanged();
    if (!read.ok && prompter && !read.message.empty()) prompter->ShowMessage(read.message);
    return read.ok;
}

}  // namespace

bool ApplyFreightBillRecord(FreightBillForm& form, const FreightBillRecordRead& read,
                            const std::string& programFolder, Prompter* prompter,
                            const std::string* pictureJpeg, BackgroundCache* cache) {
    return Apply(form, read, nullptr, programFolder, prompter, pictureJpeg, cache);
}

ParsedFreightBillTemplate ParseFreightBillTemplate(std::string_view record) {
    ParsedFreightBillTemplate parsed;
    parsed.read = ReadFreightBillRecord(record);
    QTextDocument scratch;
    for (const FieldBoxRecord& box : parsed.read.boxes) {
        ReadRtf(scratch, box.rtf);
        parsed.boxes.push_back(RichTextContent::Of(scratch));
    }
    return parsed;
}

bool ApplyFreightBillTemplate(FreightBillForm& form, const ParsedFreightBillTemplate& parsed,
                              const std::string& programFolder, Prompter* prompter,
                              const std::string* pictureJpeg, BackgroundCache* cache) {
    return Apply(form, parsed.read, &parsed.boxes, programFolder, prompter, pictureJpeg, cache);
}

}  // namespace tallivo
