// Thumbnails for the panel's rows, decoded off the main thread and kept in a bounded cache.
#include "app/model/AppModel.h"

#include <QtConcurrent/QtConcurrentRun>

namespace snipstack {

std::optional<QImage> AppModel::thumbnailImage(const Uuid& id) {
    if (const QImage* cached = thumbnails_.find(id)) {
        return *cached;
    }
    if (thumbnailsDecoding_.contains(id) || undecodableThumbnails_.contains(id)) {
        return std::nullopt;
    }
    std::optional<Bytes> bytes;
    if (!guarded([&] { bytes = history_->thumbnail(id); }) || !bytes) {
        return std::nullopt;
    }
    const std::uint64_t ticket = nextThumbnailTicket_++;
    thumbnailsDecoding_[id] = ticket;
    QtConcurrent::run(&thumbnailDecoder_, [bytes = std::move(*bytes)] {
        return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
    }).then(this, [this, id, ticket](const QImage& image) {
        const auto decoding = thumbnailsDecoding_.find(id);
        if (decoding == thumbnailsDecoding_.end() || decoding->second != ticket) {
            return;
        }
        thumbnailsDecoding_.erase(decoding);
        if (image.isNull()) {
            undecodableThumbnails_.insert(id);
            return;
        }
        thumbnails_.insert(id, image, static_cast<std::size_t>(image.sizeInBytes()));
        emit thumbnailReady(id);
    });
    return std::nullopt;
}

void AppModel::forgetThumbnail(const Uuid& id) {
    thumbnails_.erase(id);
    thumbnailsDecoding_.erase(id);
    undecodableThumbnails_.erase(id);
}

void AppModel::forgetThumbnails() {
    thumbnails_.clear();
    thumbnailsDecoding_.clear();
    undecodableThumbnails_.clear();
}

} // namespace snipstack
