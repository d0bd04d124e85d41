#include "app/system/SystemPasteboard.h"

#include "app/system/PasteboardMime.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <algorithm>

namespace snipstack {

namespace {

using namespace std::chrono_literals;
namespace mime = pasteboard_mime;

constexpr auto ownerPatience = 1000ms;
constexpr auto readingPerChange = 5000ms;

QByteArray toQt(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

Bytes fromQt(const QByteArray& bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

bool contains(const std::vector<std::string>& list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace

SystemPasteboard::SystemPasteboard(QObject* parent)
    : QObject(parent), clipboard_(QGuiApplication::clipboard()) {
    connect(clipboard_, &QClipboard::dataChanged, this, [this] {
        // Our own setMimeData() reports synchronously; the write counts it itself. A copy by another
        // program supersedes a clear of ours still waiting.
        if (!writing_) {
            clearPending_ = false;
            noteChange();
        }
    });
}

SystemPasteboard::~SystemPasteboard() = default;

std::vector<std::string> SystemPasteboard::types() {
    return offer().types;
}

std::optional<std::vector<std::string>> SystemPasteboard::firstItemTypes() {
    const auto& current = offer();
    if (!current.hasItem) {
        return std::nullopt;
    }
    return current.types;
}

std::optional<Bytes> SystemPasteboard::data(std::string_view type) {
    const auto& current = offer();
    if (!contains(current.types, type)) {
        return std::nullopt;
    }
    if (type == PasteboardType::fileURL) {
        return bytesOf(current.fileURLs.front());
    }
    for (const auto& target : mime::targetsToRead(type, current.targets)) {
        if (auto bytes = readTarget(target)) {
            if (target == mime::latin1String) {
                return fromQt(QString::fromLatin1(toQt(*bytes)).toUtf8());
            }
            return bytes;
        }
    }
    return std::nullopt;
}

std::optional<std::string> SystemPasteboard::plainText() {
    const auto bytes = data(PasteboardType::plainText);
    if (!bytes) {
        return std::nullopt;
    }
    return std::string(viewOf(*bytes));
}

std::vector<std::string> SystemPasteboard::fileURLs() {
    return offer().fileURLs;
}

std::optional<Bytes> SystemPasteboard::imageAsTIFF() {
    static const auto decodable = QImageReader::supportedMimeTypes();
    for (const auto& target : offer().targets) {
        if (!decodable.contains(QByteArray::fromStdString(target))) {
            continue;
        }
        const auto bytes = readTarget(target);
        const auto image = bytes ? QImage::fromData(toQt(*bytes)) : QImage();
        if (image.isNull()) {
            continue;
        }
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "tiff");
        if (writer.write(image)) {
            return fromQt(buffer.data());
        }
    }
    return std::nullopt;
}

void SystemPasteboard::clearContents() {
    noteChange();
    offer_.emplace();
    if (clearPending_) {
        return;
    }
    clearPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (clearPending_) {
                clearPending_ = false;
                writing_ = true;
                clipboard_->clear(QClipboard::Clipboard);
                writing_ = false;
            }
        },
        Qt::QueuedConnection);
}

void SystemPasteboard::writeItem(const std::vector<ClipRepresentation>& representations) {
    std::vector<std::string> urls;
    for (const auto& representation : representations) {
        if (representation.type == PasteboardType::fileURL) {
            urls.emplace_back(viewOf(representation.data));
        }
    }
    auto* data = new QMimeData;
    for (const auto& representation : representations) {
        if (representation.type == PasteboardType::fileURL) {
            // All file URLs go into one URI list, placed where the first of them is.
            if (!data->hasFormat(QString::fromUtf8(mime::uriList))) {
                data->setData(QString::fromUtf8(mime::uriList), toQt(mime::uriListOf(urls)));
            }
            continue;
        }
        for (const auto& mimeType : mime::mimeTypesForIdentifier(representation.type)) {
            data->setData(QString::fromStdString(mimeType), toQt(representation.data));
        }
    }
    replaceContents(data);
}

void SystemPasteboard::writeFileURLs(const std::vector<std::string>& urls) {
    auto* data = new QMimeData;
    data->setData(QString::fromUtf8(mime::uriList), toQt(mime::uriListOf(urls)));
    replaceContents(data);
}

void SystemPasteboard::setString(std::string_view text) {
    writeItem({{std::string(PasteboardType::plainText), bytesOf(text)}});
}

SystemPasteboard::Offer& SystemPasteboard::offer() {
    if (!offer_) {
        offer_.emplace();
        offer_->readingLeft = readingPerChange;
        listTypes(*offer_);
    }
    return *offer_;
}

void SystemPasteboard::listTypes(Offer& offer) {
    if (clipboard_->ownsClipboard()) {
        for (const auto& format : clipboard_->mimeData()->formats()) {
            offer.targets.push_back(format.toStdString());
        }
        offer.hasItem = true;
    } else if (reader_.hasOwner()) {
        if (const auto targets = readTarget("TARGETS")) {
            offer.targets = reader_.atomNames(*targets);
            offer.hasItem = true;
        }
    }
    for (const auto& target : offer.targets) {
        auto identifier = mime::identifierForTarget(target);
        if (!identifier) {
            continue;
        }
        if (*identifier == PasteboardType::concealed) {
            if (readTarget(target) != bytesOf("secret")) {
                continue;
            }
        } else if (*identifier == PasteboardType::fileURL) {
            offer.fileURLs = mime::fileURLsInURIList(readTarget(target).value_or(Bytes{}));
            if (offer.fileURLs.empty()) {
                identifier = target;
            }
        }
        if (!contains(offer.types, *identifier)) {
            offer.types.push_back(*identifier);
        }
    }
}

std::optional<Bytes> SystemPasteboard::readTarget(const std::string& target) {
    if (const auto cached = turnCache_.find(target); cached != turnCache_.end()) {
        return cached->second;
    }
    if (turnCache_.empty()) {
        QMetaObject::invokeMethod(
            this, [this] { turnCache_.clear(); }, Qt::QueuedConnection);
    }
    std::optional<Bytes> bytes;
    if (clipboard_->ownsClipboard()) {
        // Asking the X server would wait for this very thread to answer.
        const auto* data = clipboard_->mimeData();
        if (const auto format = QString::fromStdString(target); data->hasFormat(format)) {
            bytes = fromQt(data->data(format));
        }
    } else if (auto& current = offer(); !current.ownerStalled && current.readingLeft > 0s) {
        const auto start = std::chrono::steady_clock::now();
        auto result = reader_.read(target, ownerPatience, start + current.readingLeft);
        current.readingLeft -= std::chrono::steady_clock::now() - start;
        current.ownerStalled = result.status == X11SelectionReader::Status::timedOut;
        if (result.status == X11SelectionReader::Status::delivered) {
            bytes = std::move(result.data);
        }
    }
    turnCache_.emplace(target, bytes);
    return bytes;
}

void SystemPasteboard::noteChange() {
    ++changeCount_;
    offer_.reset();
    turnCache_.clear();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (onChange) {
                onChange();
            }
        },
        Qt::QueuedConnection);
}

void SystemPasteboard::replaceContents(QMimeData* data) {
    clearPending_ = false;
    writing_ = true;
    clipboard_->setMimeData(data, QClipboard::Clipboard);
    writing_ = false;
    noteChange();
}

} // namespace snipstack
