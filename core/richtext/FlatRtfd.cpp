#include "core/richtext/FlatRtfd.h"

#include "core/richtext/RtfReader.h"
#include "core/richtext/RtfWriter.h"

#include <cstdint>

namespace snipstack::richtext {

namespace {

constexpr std::string_view magic = "rtfd";
constexpr std::uint32_t regularFile = 1;
constexpr std::uint32_t directory = 3;
constexpr int maxFolderDepth = 8;
constexpr std::string_view textFileName = "TXT.rtf";

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool read32(std::uint32_t& value) {
        if (bytes_.size() < 4) {
            return false;
        }
        value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | static_cast<std::uint8_t>(bytes_[static_cast<std::size_t>(i)]);
        }
        bytes_.remove_prefix(4);
        return true;
    }

    bool take(std::size_t length, std::string_view& out) {
        if (bytes_.size() < length) {
            return false;
        }
        out = bytes_.substr(0, length);
        bytes_.remove_prefix(length);
        return true;
    }

    std::size_t remaining() const { return bytes_.size(); }

private:
    std::string_view bytes_;
};

// A regular file's record: its kind, then its bytes, led by their size when the record says so.
std::string_view fileContents(std::string_view record) {
    Reader reader(record.substr(4));
    std::uint32_t size = 0;
    if (reader.read32(size) && size == reader.remaining()) {
        return record.substr(8);
    }
    return record.substr(4);
}

bool readDirectory(std::string_view record, const std::string& prefix, int depth,
                   std::vector<RtfdFile>& files) {
    Reader reader(record);
    std::uint32_t kind = 0;
    std::uint32_t count = 0;
    if (!reader.read32(kind) || kind != directory || !reader.read32(count) ||
        count > reader.remaining() / 8) {
        return false;
    }
    std::vector<std::string_view> names(count);
    for (auto& name : names) {
        std::uint32_t length = 0;
        if (!reader.read32(length) || !reader.take(length, name)) {
            return false;
        }
    }
    std::vector<std::uint32_t> sizes(count);
    for (auto& size : sizes) {
        if (!reader.read32(size)) {
            return false;
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::string_view child;
        std::uint32_t childKind = 0;
        if (!reader.take(sizes[i], child) || !Reader(child).read32(childKind)) {
            return false;
        }
        const auto name = prefix + std::string(names[i]);
        if (childKind == regularFile) {
            const auto contents = fileContents(child);
            files.push_back(RtfdFile{name, Bytes(contents.begin(), contents.end())});
        } else if (childKind == directory && depth < maxFolderDepth) {
            if (!readDirectory(child, name + "/", depth + 1, files)) {
                return false;
            }
        }
    }
    return true;
}

void write32(Bytes& out, std::size_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

} // namespace

std::optional<std::vector<RtfdFile>> readRtfdFiles(std::string_view bytes) {
    if (!bytes.starts_with(magic) || bytes.size() < 8) {
        return std::nullopt;
    }
    std::vector<RtfdFile> files;
    if (!readDirectory(bytes.substr(8), "", 0, files)) {
        return std::nullopt;
    }
    return files;
}

Bytes writeRtfdFiles(const std::vector<RtfdFile>& files) {
    Bytes out(magic.begin(), magic.end());
    write32(out, 0);
    write32(out, directory);
    write32(out, files.size());
    for (const auto& file : files) {
        write32(out, file.name.size());
        out.insert(out.end(), file.name.begin(), file.name.end());
    }
    for (const auto& file : files) {
        write32(out, file.data.size() + 8);
    }
    for (const auto& file : files) {
        write32(out, regularFile);
        write32(out, file.data.size());
        out.insert(out.end(), file.data.begin(), file.data.end());
    }
    return out;
}

std::optional<Document> readFlatRtfd(std::string_view bytes) {
    auto files = readRtfdFiles(bytes);
    if (!files) {
        return std::nullopt;
    }
    const RtfdFile* text = nullptr;
    Attachments attachments;
    for (auto& file : *files) {
        if (file.name == textFileName) {
            text = &file;
        } else {
            attachments.emplace(file.name, std::move(file.data));
        }
    }
    if (!text) {
        return std::nullopt;
    }
    return readRtf(viewOf(text->data), attachments);
}

Bytes writeFlatRtfd(const Document& document) {
    std::vector<AttachmentFile> attachments;
    const auto rtf = writeRtfWithAttachments(document, attachments);
    std::vector<RtfdFile> files{RtfdFile{std::string(textFileName), bytesOf(rtf)}};
    for (const auto& attachment : attachments) {
        files.push_back(RtfdFile{attachment.name, attachment.image->data});
    }
    return writeRtfdFiles(files);
}

} // namespace snipstack::richtext
