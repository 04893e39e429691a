#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/storage_result.h"

namespace tallivo {

// Larger pictures are refused before any pixel memory is taken: a damaged header may declare
// 65535 x 65535. A 600 dpi scan of an A4 waybill is about 35 million pixels.
constexpr std::int64_t kMaxPicturePixels = 40'000'000;

// Shaped as every result of the lower layers: ok, and the text to show when it is not ("无法分配
// 内存空间！" when memory ran out, otherwise the decoder's or encoder's own ASCII text).
struct JpegResult : StorageResult {
    bool outOfMemory = false;
};

// Decodes a whole JPEG file held in memory into an RGB888 or Grayscale8 image. Never exits
// the process: every libjpeg error comes back as a result. A file cut short is an error.
JpegResult DecodeJpeg(std::string_view data, QImage* image,
                      std::int64_t maxPixels = kMaxPicturePixels);

// Appends the image as a baseline colour JPEG of quality 90 to *out.
JpegResult EncodeJpeg(const QImage& image, std::string* out);

}  // namespace tallivo
