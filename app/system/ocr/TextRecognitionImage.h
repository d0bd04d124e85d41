#pragma once

#include "core/values/Bytes.h"

#include <QSize>
#include <cstdint>
#include <memory>
#include <string>

namespace snipstack {

// An encoded image read as 8-bit grey rows, top to bottom, with transparent pixels flattened on white,
// holding no more of the image than the rows asked for wherever the format allows it:
// - PNG is decoded row by row by libpng: one decoded row of the whole width at a time (interlaced
//   files are decoded anew for every read, since each row is spread over all seven passes);
// - JPEG is decoded by Qt a band of rows at a time, clipped to the rows and columns asked for; files
//   that libjpeg must buffer whole (progressive ones) are held to Qt's allocation limit for that buffer;
// - other formats, and JPEG files that carry an orientation, are decoded whole by Qt within its
//   allocation limit (the capture takes in no larger ones), turned upright.
class GreyImageReader {
public:
    virtual ~GreyImageReader() = default;

    // Nothing when the bytes are no image, the header declares more pixels than any capture keeps,
    // or the image would not fit Qt's allocation limit where it must be decoded whole; `failure`,
    // if given, says why.
    static std::unique_ptr<GreyImageReader> open(const Bytes& encoded, std::string* failure = nullptr);

    // As shown, i.e. after the orientation is applied.
    virtual QSize size() const = 0;
    // The resolution the file states, or 0.
    virtual int dotsPerInch() const = 0;
    // Reads the `rows` rows after the last one read (from the top after opening or rewinding),
    // columns [left, left + width), into `out`, `stride` bytes apart. False when decoding fails.
    virtual bool read(int rows, int left, int width, std::uint8_t* out, std::ptrdiff_t stride) = 0;
    // Starts again from the top.
    virtual bool rewind() = 0;
};

// Tesseract's LSTM reads dark text on a light background only, and its layout analysis misses light
// text on the dark panels of an otherwise light screenshot (and the other way round). Every region
// whose background is dark is therefore inverted: each 4-pixel cell takes the most common grey level
// within about 25 pixels as its background, so that title bars, sidebars and dark themes turn light
// with dark text while the text itself never decides. Works in place.
void normalizePolarity(std::uint8_t* grey, int width, int height, std::ptrdiff_t stride);

} // namespace snipstack
