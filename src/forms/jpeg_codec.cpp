#include "forms/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

// libjpeg's headers expect size_t and FILE to be declared first.
extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace tallivo {
namespace {

// libjpeg may hold this much for a progressive file's coefficients; beyond it the file is
// refused rather than swapped to a backing store we do not have.
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are counted by libjpeg itself; nothing goes to stderr.
void OutputMessage(j_common_ptr) {}

void InitErrorManager(ErrorManager* err) {
    jpeg_std_error(&err->pub);
    err->pub.error_exit = ErrorExit;
    err->pub.output_message = OutputMessage;
    err->message[0] = '\0';
}

// --- source: the whole file in memory ------------------------------------------------------

struct MemorySource {
    jpeg_source_mgr pub;
    bool ranOut;
};

const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    // All data was given at once: asking for more means the file is cut short.
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    src->ranOut = true;
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->pub.next_input_byte = kFakeEoi;
    src->pub.bytes_in_buffer = 2;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    if (count <= 0) return;
    if (static_cast<unsigned long>(count) > src->pub.bytes_in_buffer) {
        FillInputBuffer(cinfo);
        return;
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// --- destination: a growing std::string ----------------------------------------------------

constexpr size_t kOutputChunk = 64 * 1024;

struct StringDestination {
    jpeg_destination_mgr pub;
    std::string* out;
    size_t base;  // size of *out before the chunk being filled
};

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StringDestination*>(cinfo->dest);
    dest->base = dest->out->size();
    dest->out->resize(dest->base + kOutputChunk);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(&(*dest->out)[dest->base]);
    dest->pub.free_in_buffer = kOutputChunk;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StringDestination*>(cinfo->dest);
    // libjpeg hands the buffer back full, whatever free_in_buffer says.
    dest->base += kOutputChunk;
    dest->out->resize(dest->base + kOutputChunk);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(&(*dest->out)[dest->base]);
    dest->pub.free_in_buffer = kOutputChunk;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StringDestination*>(cinfo->dest);
    dest->out->resize(dest->base + (kOutputChunk - dest->pub.free_in_buffer));
}

// --- decoding ------------------------------------------------------------------------------

struct DecodeState {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    MemorySource src;
    JSAMPLE* cmykRow = nullptr;  // libjpeg-owned scratch line
};

void CmykRowToRgb(const JSAMPLE* cmyk, uchar* rgb, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[0] = static_cast<uchar>(c * k / 255);
        rgb[1] = static_cast<uchar>(m * k / 255);
        rgb[2] = static_cast<uchar>(y * k / 255);
    }
}

// Only plain data lives in this frame, so the longjmp from libjpeg skips no destructor. Returns
// 1 on success, 0 on a libjpeg error, -1 when the picture is too large, -2 when memory for the
// image could not be had.
int DecodeInto(DecodeState* s, const JOCTET* data, size_t size, QImage* image,
               std::int64_t maxPixels) {
    j_decompress_ptr cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        jpeg_destroy_decompress(cinfo);
        return 0;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxDecoderMemory;
    s->src.pub.init_source = InitSource;
    s->src.pub.fill_input_buffer = FillInputBuffer;
    s->src.pub.skip_input_data = SkipInputData;
    s->src.pub.resync_to_restart = jpeg_resync_to_restart;
    s->src.pub.term_source = TermSource;
    s->src.pub.next_input_byte = data;
    s->src.pub.bytes_in_buffer = size;
    s->src.ranOut = false;
    cinfo->src = &s->src.pub;

    jpeg_read_header(cinfo, TRUE);
    if (s->src.ranOut || cinfo->image_width == 0 || cinfo->image_height == 0) {
        std::snprintf(s->err.message, sizeof s->err.message, "Premature end of JPEG file");
        jpeg_destroy_decompress(cinfo);
        return 0;
    }
    const std::int64_t pixels = static_cast<std::int64_t>(cinfo->image_width) * cinfo->image_height;
    if (pixels > maxPixels) {
        jpeg_destroy_decompress(cinfo);
        return -1;
    }

    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    QImage::Format format = QImage::Format_RGB888;
    if (cinfo->num_components == 1) {
        cinfo->out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
    } else if (cmyk) {
        cinfo->out_color_space = JCS_CMYK;
    } else {
        cinfo->out_color_space = JCS_RGB;
    }
    jpeg_start_decompress(cinfo);

    *image = QImage(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height),
                    format);
    if (image->isNull()) {
        jpeg_destroy_decompress(cinfo);
        return -2;
    }
    if (cmyk) {
        s->cmykRow = static_cast<JSAMPLE*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                       static_cast<size_t>(cinfo->output_width) * 4));
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        if (cmyk) {
            JSAMPROW row = s->cmykRow;
            jpeg_read_scanlines(cinfo, &row, 1);
            CmykRowToRgb(s->cmykRow, image->scanLine(y), cinfo->output_width,
                         cinfo->saw_Adobe_marker);
        } else {
            JSAMPROW row = image->scanLine(y);
            jpeg_read_scanlines(cinfo, &row, 1);
        }
        if (s->src.ranOut) break;
    }
    if (s->src.ranOut) {
        std::snprintf(s->err.message, sizeof s->err.message, "Premature end of JPEG file");
        jpeg_destroy_decompress(cinfo);
        return 0;
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return 1;
}

// --- encoding ------------------------------------------------------------------------------

struct EncodeState {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    StringDestination dest;
};

bool EncodeFrom(EncodeState* s, const QImage* rgb, std::string* out) {
    j_compress_ptr cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    s->dest.pub.init_destination = InitDestination;
    s->dest.pub.empty_output_buffer = EmptyOutputBuffer;
    s->dest.pub.term_destination = TermDestination;
    s->dest.out = out;
    s->dest.base = out->size();
    cinfo->dest = &s->dest.pub;

    cinfo->image_width = static_cast<JDIMENSION>(rgb->width());
    cinfo->image_height = static_cast<JDIMENSION>(rgb->height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, 90, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        // libjpeg does not write through the row pointer; the cast only meets its signature.
        JSAMPROW row =
            const_cast<JSAMPLE*>(rgb->constScanLine(static_cast<int>(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

}  // namespace

JpegResult DecodeJpeg(std::string_view data, QImage* image, std::int64_t maxPixels) {
    JpegResult result;
    DecodeState state{};
    InitErrorManager(&state.err);
    state.cinfo.err = &state.err.pub;
    QImage decoded;
    const int rc = DecodeInto(&state, reinterpret_cast<const JOCTET*>(data.data()), data.size(),
                              &decoded, maxPixels);
    if (rc == 1) {
        *image = std::move(decoded);
        result.ok = true;
    } else if (rc == -1) {
        result.message = "Image too large";
    } else if (rc == -2) {
        result.outOfMemory = true;
        result.message = OutOfMemoryMessage();
    } else {
        result.outOfMemory = state.err.pub.msg_code == JERR_OUT_OF_MEMORY;
        result.message = result.outOfMemory ? OutOfMemoryMessage() : state.err.message;
    }
    return result;
}

JpegResult EncodeJpeg(const QImage& image, std::string* out) {
    JpegResult result;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        result.message = "Empty image";
        return result;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) {
        result.outOfMemory = true;
        result.message = OutOfMemoryMessage();
        return result;
    }
    EncodeState state{};
    InitErrorManager(&state.err);
    state.cinfo.err = &state.err.pub;
    const size_t before = out->size();
    if (EncodeFrom(&state, &rgb, out)) {
        result.ok = true;
    } else {
        out->resize(before);
        result.outOfMemory = state.err.pub.msg_code == JERR_OUT_OF_MEMORY;
        result.message = result.outOfMemory ? OutOfMemoryMessage() : state.err.message;
    }
    return result;
}

}  // namespace tallivo
