#include "app/system/clipboard/PasteboardMonitor.h"

#include "app/system/images/ImageThumbnail.h"
#include "core/model/ContentHash.h"
#include "core/values/UnicodeText.h"

#include <QString>
#include <QUrl>
#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

namespace snipstack {

namespace {

// Invalid UTF-8 sequences become U+FFFD.
QString stringOf(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
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
    worker_.setMaxThreadCount(1);
    connect(&timer_, &QTimer::timeout, this, &PasteboardMonitor::poll);
    changeTimer_.setSingleShot(true);
    connect(&changeTimer_, &QTimer::timeout, this, &PasteboardMonitor::poll);
    // Only once polling runs, so that what is on the clipboard at start is still new to the first
    // poll. A change after a quiet spell is read at once; the rest of a burst waits out the window,
    // and is not held back further by later notices, so a short burst costs two polls.
    pasteboard_.onChange = [this] {
        if (timer_.isActive() && !changeTimer_.isActive()) {
            const auto since =
                sinceChange_.isValid() ? std::chrono::milliseconds(sinceChange_.elapsed()) : changeCoalescing;
            changeTimer_.start(std::max(std::chrono::milliseconds::zero(), changeCoalescing - since));
        }
    };
}

PasteboardMonitor::~PasteboardMonitor() {
    pasteboard_.onChange = nullptr;
    // Readings still queued are skipped; the one under way ends within its owner's deadlines.
    newestChange_ = std::numeric_limits<std::uint64_t>::max();
    worker_.waitForDone();
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
    sinceChange_.start();
    // What the main thread alone may ask is asked now: the front application is the one in front
    // when the change was seen, and the preference is read here.
    auto reading = std::make_shared<Reading>();
    reading->change = ++changes_;
    reading->content = pasteboard_.read();
    reading->front = workspace_.frontmostApplication();
    reading->skipMarked = !skipConfidential || skipConfidential();
    reading->afterFirstPoll = previous != -1;
    reading->coversSeveralChanges = previous != -1 && count - previous > 1;
    newestChange_ = reading->change;
    {
        const std::lock_guard lock(mutex_);
        ++underway_;
    }
    worker_.start([this, reading] { read(*reading); });
}

void PasteboardMonitor::read(Reading& reading) {
    Finished finished;
    if (reading.change == newestChange_) {
        const std::optional<std::vector<std::string>> firstItemTypes = reading.content->firstItemTypes();
        finished.draft = capture(*reading.content, firstItemTypes, reading.front, reading.skipMarked);
        finished.hadContent = finished.draft || firstItemTypes || !reading.content->types().empty();
        // Screenshot tools put a lone PNG on the clipboard; content found at launch is never fresh.
        finished.newScreenshot = reading.afterFirstPoll && finished.draft &&
                                 finished.draft->kind == ClipKind::image &&
                                 firstItemTypes == std::vector<std::string>{std::string(PasteboardType::png)};
        finished.missedContent = reading.coversSeveralChanges;
    } else {
        finished.missedContent = true;
    }
    reading.content.reset();
    {
        const std::lock_guard lock(mutex_);
        finished_.push_back(std::move(finished));
    }
    finishedChanged_.notify_all();
    QMetaObject::invokeMethod(this, &PasteboardMonitor::deliver, Qt::QueuedConnection);
}

void PasteboardMonitor::deliver() {
    std::deque<Finished> ready;
    {
        const std::lock_guard lock(mutex_);
        ready.swap(finished_);
        underway_ -= ready.size();
    }
    for (Finished& finished : ready) {
        // An empty clipboard (its owner gone) leaves the last capture as what it held, unless
        // something else was on it since, unread.
        if (finished.hadContent) {
            lastCapturedHash_ = finished.draft ? std::optional(finished.draft->contentHash) : std::nullopt;
        } else if (finished.missedContent) {
            lastCapturedHash_.reset();
        }
        if (!finished.draft || !onCapture) {
            continue;
        }
        lastCaptureWasNewScreenshot_ = finished.newScreenshot;
        onCapture(*finished.draft);
        lastCaptureWasNewScreenshot_ = false;
    }
    if (!ready.empty()) {
        emit readingsDelivered();
    }
}

bool PasteboardMonitor::waitForCaptures(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        if (!finishedChanged_.wait_for(lock, timeout, [this] { return finished_.size() == underway_; })) {
            return false;
        }
    }
    deliver();
    return true;
}

std::optional<ClipDraft>
PasteboardMonitor::capture(PasteboardContent& content,
                           const std::optional<std::vector<std::string>>& firstItemTypes,
                           const std::optional<RunningApplication>& front, bool skipMarked) {
    if (skipMarked && std::ranges::any_of(content.types(), [](const std::string& type) {
            return std::ranges::find(confidentialMarkerTypes, type) != confidentialMarkerTypes.end();
        })) {
        return std::nullopt;
    }
    if (std::optional<ClipDraft> files = fileDraft(content, front)) {
        return files;
    }
    if (!firstItemTypes) {
        return std::nullopt;
    }

    std::vector<ClipRepresentation> collected;
    std::size_t total = 0;
    for (const std::string& type : *firstItemTypes) {
        std::optional<Bytes> bytes = content.data(type);
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

    // The plain text was read with the other types; asking the owner again would transfer it twice.
    std::optional<std::string> text;
    if (const ClipRepresentation* plain = findType(collected, PasteboardType::plainText)) {
        text = unicode::validUTF8(viewOf(plain->data));
    } else if (std::optional<std::string> raw = content.plainText()) {
        text = unicode::validUTF8(*raw);
    }
    if (text && !text->empty()) {
        ClipDraft draft;
        if (!findType(collected, PasteboardType::plainText)) {
            collected.push_back({std::string(PasteboardType::plainText), bytesOf(*text)});
        }
        draft.contentHash = contentHash(*text);
        draft.text = std::move(*text);
        draft.payload.representations = std::move(collected);
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
            image = content.data(type);
        }
        if (image) {
            return makeImageDraft(std::move(*image), type, std::move(collected), front);
        }
    }

    std::optional<Bytes> tiff = content.imageAsTIFF();
    if (!tiff || tiff->size() > maxCaptureBytes) {
        return std::nullopt;
    }
    return makeImageDraft(std::move(*tiff), PasteboardType::tiff, std::move(collected), front);
}

std::optional<ClipDraft> PasteboardMonitor::fileDraft(PasteboardContent& content,
                                                      const std::optional<RunningApplication>& front) {
    ClipDraft draft;
    draft.kind = ClipKind::file;
    for (const std::string& string : content.fileURLs()) {
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
    // A reading still queued would take in this very write.
    newestChange_ = ++changes_;
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
    } else if (std::ranges::none_of(payload.representations, PasteboardType::isMarker,
                                    &ClipRepresentation::type)) {
        pasteboard_.writeItem(payload.representations);
    } else {
        // A marker would tell the next clipboard reader that a secret is a secret after all.
        std::vector<ClipRepresentation> representations;
        std::ranges::copy_if(payload.representations, std::back_inserter(representations),
                             [](const ClipRepresentation& r) { return !PasteboardType::isMarker(r.type); });
        pasteboard_.writeItem(representations);
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
    return unicode::validUTF8(viewOf(*bytes));
}

} // namespace snipstack

// Compiled here rather than with the folder's other meta-object code, so a program that uses
// this class alone does not pull in its neighbours and their platform libraries.
#include "moc_PasteboardMonitor.cpp"
