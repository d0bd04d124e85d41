#include "app/system/images/PngEncoder.h"

#include <csetjmp>
#include <new>
#include <png.h>

namespace snipstack {

namespace {

// Everything libpng's callbacks touch is plain data, because an error leaves them by longjmp.
struct Encoding {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Bytes* out = nullptr;
};

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* encoding = static_cast<Encoding*>(png_get_io_ptr(png));
    // An exception must not unwind through libpng's C frames.
    try {
        encoding->out->insert(encoding->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void flush(png_structp) {}

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Holds only trivially destructible locals, so a longjmp out of libpng skips no destructor.
bool write(Encoding& encoding, const std::uint8_t* rgba, PixelSize size, std::int64_t stride, bool opaque) {
    if (setjmp(png_jmpbuf(encoding.png))) {
        return false;
    }
    png_set_write_fn(encoding.png, &encoding, writeBytes, flush);
    png_set_IHDR(encoding.png, encoding.info, png_uint_32(size.width), png_uint_32(size.height), 8,
                 opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // One filter instead of libpng's per-row trial of all five, at zlib's fastest level: half the
    // time of Qt's writer, for thumbnails within a few percent of its size on screenshots and photos.
    png_set_filter(encoding.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(encoding.png, 1);
    png_write_info(encoding.png, encoding.info);
    if (opaque) {
        // The fourth byte of each pixel is dropped as it is written.
        png_set_filler(encoding.png, 0, PNG_FILLER_AFTER);
    }
    for (std::int64_t y = 0; y < size.height; ++y) {
        png_write_row(encoding.png, rgba + y * stride);
    }
    png_write_end(encoding.png, nullptr);
    return true;
}

} // namespace

std::optional<Bytes> encodePng(std::span<const std::uint8_t> rgba, PixelSize size, std::int64_t stride,
                               bool opaque) {
    if (size.width < 1 || size.height < 1 || stride < size.width * 4 ||
        std::uint64_t(rgba.size()) <
            std::uint64_t(stride) * std::uint64_t(size.height - 1) + std::uint64_t(size.width) * 4) {
        return std::nullopt;
    }
    Bytes out;
    Encoding encoding;
    encoding.out = &out;
    encoding.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoding, onError, onWarning);
    if (!encoding.png) {
        return std::nullopt;
    }
    encoding.info = png_create_info_struct(encoding.png);
    const bool written = encoding.info && write(encoding, rgba.data(), size, stride, opaque);
    png_destroy_write_struct(&encoding.png, &encoding.info);
    if (!written) {
        return std::nullopt;
    }
    return out;
}

} // namespace snipstack
