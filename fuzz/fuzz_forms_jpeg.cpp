// Feeds arbitrary bytes to the background JPEG decoder: it must report, never crash, hang or
// take unbounded memory. A lower pixel ceiling than the program's keeps runs quick; the
// ceiling's own check is covered by the tests.
#include <cstddef>
#include <cstdint>

#include "forms/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QImage image;
    const tallivo::JpegResult result = tallivo::DecodeJpeg(
        std::string_view(reinterpret_cast<const char*>(data), size), &image, 4'000'000);
    if (result.ok && image.width() * image.height() <= 256 * 256) {
        std::string bytes;
        tallivo::EncodeJpeg(image, &bytes);
    }
    return 0;
}
