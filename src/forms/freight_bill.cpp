#include "forms/freight_bill.h"

#include <algorithm>

#include "storage/file_io.h"

namespace tallivo {

FieldBox& AddFieldBox(FreightBillForm& form, std::string_view textOrRtf, int left, int top,
                      int height, int width) {
    auto box = std::make_unique<FieldBox>();
    box->left = left;
    box->top = top;
    box->height = height;
    box->width = width;
    box->content =
        form.makeBoxDocument ? form.makeBoxDocument() : std::make_unique<RichTextDocument>();
    box->content->SetTextOrRtf(textOrRtf);
    form.boxes.push_back(std::move(box));
    if (form.listener) form.listener->BoxAdded(static_cast<int>(form.boxes.size()) - 1);
    return *form.boxes.back();
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

bool ApplyFreightBillRecord(FreightBillForm& form, const FreightBillRecordRead& read,
                            const std::string& programFolder, Prompter* prompter,
                            const std::string* pictureJpeg, BackgroundCache* cache) {
    BackgroundCache spare;
    BackgroundCache& pictures = cache ? *cache : spare;
    // Saved documents name the template's picture whether or not it could be shown now.
    if (read.backgroundImage) form.backgroundName = *read.backgroundImage;
    if (read.backgroundImage && pictureJpeg) {
        pictures.LoadJpeg(*pictureJpeg, form.pictureArea, &form.background, prompter);
    } else if (read.backgroundImage) {
        const std::optional<std::string> path =
            BackgroundImagePath(programFolder, *read.backgroundImage);
        if (path) {
            pictures.Load(*path, form.pictureArea, &form.background, prompter);
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
    if (form.listener) {
        form.listener->BackgroundChanged();
        form.listener->PrintSettingsChanged();
    }
    for (const FieldBoxRecord& box : read.boxes) {
        AddFieldBox(form, box.rtf, box.left, box.top, box.height, box.width);
    }
    if (!read.ok && prompter && !read.message.empty()) prompter->ShowMessage(read.message);
    return read.ok;
}

}  // namespace tallivo
