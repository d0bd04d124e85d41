#include "app/system/PasteboardMonitor.h"

#include "app/system/ImageThumbnail.h"
#include "core/model/ContentHash.h"

#include <QString>
#include <QUrl>
#include <algorithm>
#include <utility>

namespace snipstack {

namespace {

// Invalid UTF-8 sequences become U+FFFD.
QString stringOf(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

std::string validUtf8(std::string_view bytes) {
    return stringOf(bytes).toStdString();
}

Bytes toBytes(const QByteArray& bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

void setSource(ClipDraft& draft, const std::optional<RunningApplication>& application) {
    if (application) {
        draft.sourceAppName = application->localizedName;
        draft.sourceBundleID = application->bundleIdentifier;
    }
}

ClipRepresentation* findType(std::vector<ClipRepresentation>& representations, std::string_view type) {
    const auto found = std::ranges::find(representations, type, &ClipRepresentation::type);
    return found == representations.end() ? nullptr : &*found;
}

} // namespace

PasteboardMonitor::PasteboardMonitor(Pasteboard& pasteboard, Workspace& workspace, QObject* parent)
    : QObject(parent), pasteboard_(pasteboard), workspace_(workspace) {
    connect(&timer_, &QTimer::timeout, this, &PasteboardMonitor::poll);
    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(changeCoalescing);
    connect(&changeTimer_, &QTimer::timeout, this, &PasteboardMonitor::poll);
    // Only once polling runs, so that what is on the clipboard at start is still new to the first
    // poll. Not restarted by later notices, so that a long burst does not hold back the first change.
    pasteboard_.onChange = [this] {
        if (timer_.isActive() && !changeTimer_.isActive()) {
            changeTimer_.start();
        }
    };
}

PasteboardMonitor::~PasteboardMonitor() {
    pasteboard_.onChange = nullptr;
}

void PasteboardMonitor::start(std::chrono::milliseconds interval) {
    timer_.start(interval);
}

void PasteboardMonitor::poll() {
    const std::int64_t count = pasteboard_.changeCount();
    if (count == lastChangeCount) {
        return;
    }
    // Moved on before capturing, so content that fails to capture is not tried again.
    const std::int64_t previous = std::exchange(lastChangeCount, count);
    const std::optional<std::vector<std::string>> firstItemTypes = pasteboard_.firstItemTypes();
    const std::optional<ClipDraft> draft = capture(firstItemTypes);
    if (!draft) {
        return;
    }
    // Screenshot tools put a lone PNG on the clipboard; content found at launch is never fresh.
    lastCaptureWasNewScreenshot_ =
        previous != -1 && draft->kind == ClipKind::image &&
        firstItemTypes == std::vector<std::string>{std::string(PasteboardType::png)};
    if (onCapture) {
        onCapture(*draft);
    }
    lastCaptureWasNewScreenshot_ = false;
}

std::optional<ClipDraft>
PasteboardMonitor::capture(const std::optional<std::vector<std::string>>& firstItemTypes) {
    if ((!skipConfidential || skipConfidential()) && carriesMarker()) {
        return std::nullopt;
    }
    const std::optional<RunningApplication> front = workspace_.frontmostApplication();
    if (std::optional<ClipDraft> files = fileDraft(front)) {
        return files;
    }
    if (!firstItemTypes) {
        return std::nullopt;
    }

    std::vector<ClipRepresentation> collected;
    std::size_t total = 0;
    for (const std::string& type : *firstItemTypes) {
        std::optional<Bytes> bytes = pasteboard_.data(type);
        if (!bytes) {
            continue;
        }
        // Stops before reading the remaining types of an oversized item.
        total += bytes->size();
        if (total > maxCaptureBytes) {
            return std::nullopt;
        }
        collected.push_back({type, std::move(*bytes)});
    }

    if (std::optional<std::string> raw = pasteboard_.plainText(); raw && !raw->empty()) {
        ClipDraft draft;
        draft.text = validUtf8(*raw);
        if (!findType(collected, PasteboardType::plainText)) {
            collected.push_back({std::string(PasteboardType::plainText), bytesOf(draft.text)});
        }
        draft.payload.representations = std::move(collected);
        draft.contentHash = contentHash(draft.text);
        setSource(draft, front);
        return draft;
    }

    for (std::string_view type : {PasteboardType::png, PasteboardType::tiff}) {
        // The bytes were read already; taking them over avoids a second transfer from the owner.
        // The emptied representation has the chosen type, which makeImageDraft drops anyway.
        std::optional<Bytes> image;
        if (ClipRepresentation* found = findType(collected, type)) {
            image = std::move(found->data);
        } else {
            image = pasteboard_.data(type);
        }
        if (image) {
            return makeImageDraft(std::move(*image), type, std::move(collected), front);
        }
    }

    std::optional<Bytes> tiff = pasteboard_.imageAsTIFF();
    if (!tiff || tiff->size() > maxCaptureBytes) {
        return std::nullopt;
    }
    return makeImageDraft(std::move(*tiff), PasteboardType::tiff, std::move(collected), front);
}

bool PasteboardMonitor::carriesMarker() {
    return std::ranges::any_of(pasteboard_.types(), [](const std::string& type) {
        return std::ranges::find(confidentialMarkerTypes, type) != confidentialMarkerTypes.end();
    });
}

std::optional<ClipDraft> PasteboardMonitor::fileDraft(const std::optional<RunningApplication>& front) {
    ClipDraft draft;
    draft.kind = ClipKind::file;
    for (const std::string& string : pasteboard_.fileURLs()) {
        // The pasteboard promises file URLs only; a malformed or relative one is still left out.
        const QUrl url(stringOf(string));
        const QString path = url.isValid() && url.isLocalFile() ? url.toLocalFile() : QString();
        if (!path.startsWith(u'/')) {
            continue;
        }
        if (!draft.payload.representations.empty()) {
            draft.text += '\n';
        }
        draft.text += path.toStdString();
        draft.payload.representations.push_back(
            {std::string(PasteboardType::fileURL), toBytes(url.toEncoded())});
    }
    if (draft.payload.representations.empty()) {
        return std::nullopt;
    }
    draft.contentHash = contentHash(draft.text);
    setSource(draft, front);
    return draft;
}

void PasteboardMonitor::write(const ClipPayload& payload, ClipKind kind) {
    pasteboard_.clearContents();
    if (kind == ClipKind::file) {
        std::vector<std::string> urls;
        for (const ClipRepresentation& representation : payload.representations) {
            const QUrl url(stringOf(viewOf(representation.data)), QUrl::StrictMode);
            if (url.isValid() && !url.scheme().isEmpty()) {
                urls.push_back(url.toEncoded().toStdString());
            }
        }
        pasteboard_.writeFileURLs(urls);
    } else {
        pasteboard_.writeItem(payload.representations);
    }
    lastChangeCount = pasteboard_.changeCount();
}

std::optional<ClipDraft>
PasteboardMonitor::makeImageDraft(Bytes data, std::string_view type,
                                  std::vector<ClipRepresentation> representations,
                                  const std::optional<RunningApplication>& sourceApplication) {
    std::optional<ImageThumbnail> thumbnail = makeThumbnail(data, thumbnailMaxPixels);
    if (!thumbnail) {
        return std::nullopt;
    }
    ClipDraft draft;
    draft.kind = ClipKind::image;
    draft.contentHash = contentHash(data);
    draft.thumbnail = std::move(thumbnail->png);
    draft.imageWidth = thumbnail->sourceWidth;
    draft.imageHeight = thumbnail->sourceHeight;
    draft.payload.representations.push_back({std::string(type), std::move(data)});
    for (ClipRepresentation& representation : representations) {
        if (representation.type != type) {
            draft.payload.representations.push_back(std::move(representation));
        }
    }
    setSource(draft, sourceApplication);
    return draft;
}

ClipPayload PasteboardMonitor::plainTextPayload(std::string_view text) {
    return ClipPayload{{{std::string(PasteboardType::plainText), bytesOf(text)}}};
}

std::optional<std::string> PasteboardMonitor::plainText(const ClipPayload& payload) {
    const Bytes* bytes = payload.dataForType(PasteboardType::plainText);
    if (!bytes) {
        return std::nullopt;
    }
    return validUtf8(viewOf(*bytes));
}

} // namespace snipstack
