#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace snipstack {

// A PNG's pixels row by row through libpng, one row in memory at a time, whatever the image's pixel
// count: every colour type and depth arrives as 8-bit RGB (opaque images: no alpha channel, no
// transparent colour) or RGBA with straight alpha. Interlaced images arrive pass by pass, each
// Adam7 pass as its own small image, so they too need no full-size buffer.
class PngRowReader {
public:
    struct Header {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        bool interlaced = false;
        bool opaque = false;
        // From the pHYs chunk; 0 when the file does not say.
        int dotsPerInch = 0;
    };

    // `count` pixels of row `y` standing at columns x0, x0 + step, x0 + 2 step, ... (for a plain
    // image x0 is 0, step 1 and count the width).
    using RowVisitor = std::function<void(const std::uint8_t* pixels, std::uint32_t count, std::uint32_t y,
                                          std::uint32_t x0, std::uint32_t step)>;

    // The bytes must outlive the reader.
    explicit PngRowReader(std::span<const std::uint8_t> png) : png_(png) {}
    ~PngRowReader();
    PngRowReader(const PngRowReader&) = delete;
    PngRowReader& operator=(const PngRowReader&) = delete;

    // Reads the header, from the top again when called again: false, with the reason in failure(),
    // when the bytes are no PNG, are damaged, or declare more than `maxPixels` pixels.
    bool start(std::uint64_t maxPixels);

    const Header& header() const { return header_; }
    // 3 for opaque images, else 4.
    int channels() const { return header_.opaque ? 3 : 4; }
    const std::string& failure() const { return failure_; }

    // The next `rows` rows of a plain image, top to bottom.
    bool readRows(std::uint32_t rows, const RowVisitor& visit);
    // Every row of every pass of an interlaced image; start() again to read them once more.
    bool readPasses(const RowVisitor& visit);

    // Plain data only: an error leaves libpng's callbacks by longjmp.
    struct Decoding {
        void* png = nullptr;
        void* info = nullptr;
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        std::size_t offset = 0;
        char error[160] = {};
    };

private:
    void close();

    std::span<const std::uint8_t> png_;
    Decoding decoding_;
    Header header_;
    std::vector<std::uint8_t> row_;
    std::uint32_t nextRow_ = 0;
    std::string failure_;
};

} // namespace snipstack
