#include "platform/qt/JpegImage.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace kesto {
namespace {

// libjpeg ends the process on a fatal error unless error_exit returns control elsewhere; this one
// jumps back into decodeInto().
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onFatalError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

// Warnings (for example a missing end marker) are not worth a line on stderr.
void onMessage(j_common_ptr) {}

// Everything a jump may leave behind lives in the caller's frame, so nothing in this function
// has to survive the longjmp except the reference itself.
struct DecodeState {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    QImage image;
};

bool decodeInto(DecodeState& state, const QByteArray& data) {
    state.info.err = jpeg_std_error(&state.errors.pub);
    state.errors.pub.error_exit = onFatalError;
    state.errors.pub.output_message = onMessage;
    if (setjmp(state.errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&state.info);
    jpeg_mem_src(&state.info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&state.info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    QImage::Format format = QImage::Format_RGB888;
    switch (state.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        state.info.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        break;
    case JCS_RGB:
    case JCS_YCbCr:
        state.info.out_color_space = JCS_RGB;
        break;
    default: // CMYK and YCCK are not used for pictures shipped with the program
        return false;
    }
    // A corrupt header can announce a picture of gigabytes; nothing we show is that large.
    constexpr unsigned long long kMaxPixels = 16ULL * 1024 * 1024;
    if (static_cast<unsigned long long>(state.info.image_width) * state.info.image_height >
        kMaxPixels) {
        return false;
    }
    jpeg_start_decompress(&state.info);
    const int width = static_cast<int>(state.info.output_width);
    const int height = static_cast<int>(state.info.output_height);
    state.image = QImage(width, height, format);
    if (state.image.isNull()) {
        return false;
    }
    while (state.info.output_scanline < state.info.output_height) {
        JSAMPROW row = state.image.scanLine(static_cast<int>(state.info.output_scanline));
        jpeg_read_scanlines(&state.info, &row, 1);
    }
    jpeg_finish_decompress(&state.info);
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray& data) {
    if (data.isEmpty()) {
        return {};
    }
    DecodeState state;
    const bool ok = decodeInto(state, data);
    // Safe after a jump as well: the object was created before anything could fail.
    jpeg_destroy_decompress(&state.info);
    if (!ok) {
        return {};
    }
    return state.image;
}

} // namespace kesto
