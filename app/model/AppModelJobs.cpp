// The background jobs that fill in recognised text for images and previews for formatted text.
// Each step re-reads the history, so entries added or removed between steps are handled, and each
// waits while a rotation swaps the store underneath it.
#include "app/model/AppModel.h"

#include <QTimer>
#include <chrono>

namespace snipstack {

namespace {

constexpr std::chrono::milliseconds rotationWait{200};

// The first entry of `kind` still lacking what the job adds that this run has not tried yet.
template <typename Lacks>
std::optional<Uuid> nextEntry(const History& history, ClipKind kind, const std::set<Uuid>& processed,
                              Lacks lacks) {
    for (const auto& item : history.items()) {
        if (item.kind == kind && lacks(item) && !processed.contains(item.id)) {
            return item.id;
        }
    }
    return std::nullopt;
}

} // namespace

void AppModel::startTextRecognition() {
    if (ocrTask_) {
        return;
    }
    ocrTask_.emplace();
    QTimer::singleShot(0, this, &AppModel::recognizeNext);
}

void AppModel::recognizeNext() {
    if (isRotating_) {
        QTimer::singleShot(rotationWait, this, &AppModel::recognizeNext);
        return;
    }
    const auto id = nextEntry(*history_, ClipKind::image, ocrTask_->processed,
                              [](const ClipItem& item) { return !item.ocrText; });
    if (!id) {
        ocrTask_.reset();
        return;
    }
    ocrTask_->processed.insert(*id);
    std::optional<Bytes> image;
    guarded([&] { image = imageBytes(history_->payload(*id)); });
    if (!image) {
        QTimer::singleShot(0, this, &AppModel::recognizeNext);
        return;
    }
    environment_.desktop.recognizeText(std::move(*image))
        .then(this, [this, id = *id](const std::optional<RecognizedText>& recognized) {
            // A rotation that started meanwhile owns the store; the entry is tried again next run.
            if (recognized && !isRotating_) {
                guarded([&] { history_->setOCRText(recognized->text, id); });
                refreshItems();
            }
            recognizeNext();
        });
}

void AppModel::startRichPreviews() {
    if (richPreviewTask_) {
        return;
    }
    richPreviewTask_.emplace();
    QTimer::singleShot(0, this, &AppModel::renderNextPreview);
}

void AppModel::renderNextPreview() {
    if (isLocked_) {
        richPreviewTask_.reset();
        return;
    }
    if (isRotating_) {
        QTimer::singleShot(rotationWait, this, &AppModel::renderNextPreview);
        return;
    }
    const auto id = nextEntry(*history_, ClipKind::text, richPreviewTask_->processed,
                              [](const ClipItem& item) { return !item.hasRichPreview; });
    if (!id) {
        richPreviewTask_.reset();
        return;
    }
    richPreviewTask_->processed.insert(*id);
    std::optional<Bytes> preview;
    const bool stored = guarded([&] {
        preview = environment_.richPreviews.render(history_->payload(*id));
        history_->setRichPreview(preview, *id);
    });
    if (stored && preview) {
        forgetThumbnail(*id);
        refreshItems();
    }
    // One entry per turn of the event loop keeps the panel responsive.
    QTimer::singleShot(0, this, &AppModel::renderNextPreview);
}

} // namespace snipstack
