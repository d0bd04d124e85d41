#include "app/system/clipboard/SelectionContent.h"

#include "app/system/clipboard/PasteboardMime.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <algorithm>

namespace snipstack {

namespace {

namespace mime = pasteboard_mime;

bool contains(const std::vector<std::string>& list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

QByteArray viewAsQt(const Bytes& bytes) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace

SelectionContent::SelectionContent(std::unique_ptr<SelectionSource> source) : source_(std::move(source)) {}

const SelectionContent::Listing& SelectionContent::listing() {
    if (listing_) {
        return *listing_;
    }
    Listing& listing = listing_.emplace();
    const auto offered = source_->targets();
    if (!offered) {
        return listing;
    }
    listing.hasItem = true;
    listing.targets = *offered;
    listing.imageTarget = mime::chosenImageTarget(listing.targets);
    for (const auto& target : listing.targets) {
        auto identifier = mime::identifierForTarget(target);
        if (!identifier || mime::isOtherImageTarget(target, listing.imageTarget)) {
            continue;
        }
        if (*identifier == PasteboardType::concealed) {
            if (source_->read(target) != bytesOf("secret")) {
                continue;
            }
        } else if (*identifier == PasteboardType::fileURL) {
            listing.fileURLs = mime::fileURLsInURIList(source_->read(target).value_or(Bytes{}));
            if (listing.fileURLs.empty()) {
                identifier = target;
            }
        }
        if (!contains(listing.types, *identifier)) {
            listing.types.push_back(*identifier);
        }
    }
    return listing;
}

std::vector<std::string> SelectionContent::types() {
    return listing().types;
}

std::optional<std::vector<std::string>> SelectionContent::firstItemTypes() {
    const auto& current = listing();
    if (!current.hasItem) {
        return std::nullopt;
    }
    return current.types;
}

std::optional<Bytes> SelectionContent::data(std::string_view type) {
    const auto& current = listing();
    if (!contains(current.types, type)) {
        return std::nullopt;
    }
    if (type == PasteboardType::fileURL) {
        return bytesOf(current.fileURLs.front());
    }
    for (const auto& target : mime::targetsToRead(type, current.targets)) {
        if (mime::isOtherImageTarget(target, current.imageTarget)) {
            continue;
        }
        if (auto bytes = source_->read(target)) {
            if (target == mime::latin1String) {
                const auto utf8 = QString::fromLatin1(viewAsQt(*bytes)).toUtf8();
                return Bytes(utf8.begin(), utf8.end());
            }
            return bytes;
        }
    }
    return std::nullopt;
}

std::optional<std::string> SelectionContent::plainText() {
    auto bytes = data(PasteboardType::plainText);
    if (!bytes) {
        return std::nullopt;
    }
    return std::string(viewOf(*bytes));
}

std::vector<std::string> SelectionContent::fileURLs() {
    return listing().fileURLs;
}

std::optional<Bytes> SelectionContent::imageAsTIFF() {
    const auto& target = listing().imageTarget;
    const auto bytes = target ? source_->read(*target) : std::nullopt;
    // Decoded whole, so Qt's allocation limit refuses what would not fit in memory.
    const QImage image = bytes ? QImage::fromData(viewAsQt(*bytes)) : QImage();
    if (image.isNull()) {
        return std::nullopt;
    }
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    if (!writer.write(image)) {
        return std::nullopt;
    }
    return Bytes(tiff.begin(), tiff.end());
}

} // namespace snipstack
