#include "app/system/clipboard/SystemPasteboard.h"

#include "app/system/clipboard/PasteboardMime.h"
#include "app/system/clipboard/SelectionContent.h"
#include "app/system/clipboard/X11ClipboardManager.h"
#include "app/system/clipboard/X11SelectionReader.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <chrono>
#include <mutex>
#include <utility>

namespace snipstack {

struct SystemPasteboard::SharedReader {
    std::mutex mutex;
    X11SelectionReader reader;
};

namespace {

using namespace std::chrono_literals;
namespace mime = pasteboard_mime;

constexpr auto ownerPatience = 1000ms;
constexpr auto readingPerChange = 5000ms;

QByteArray toQt(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Our own data, taken on the main thread while we own the selection: asking the X server would
// have this process answer itself. QByteArray copies share their bytes, so this copies nothing.
class OwnSelection final : public SelectionSource {
public:
    explicit OwnSelection(const QMimeData* data) {
        if (!data) {
            return;
        }
        std::vector<std::string> targets;
        for (const auto& format : data->formats()) {
            targets.push_back(format.toStdString());
            values_.emplace_back(format.toStdString(), data->data(format));
        }
        targets_ = std::move(targets);
    }

    std::optional<std::vector<std::string>> targets() override { return targets_; }

    std::optional<Bytes> read(const std::string& target) override {
        for (const auto& [name, value] : values_) {
            if (name == target) {
                return Bytes(value.begin(), value.end());
            }
        }
        return std::nullopt;
    }

private:
    std::optional<std::vector<std::string>> targets_;
    std::vector<std::pair<std::string, QByteArray>> values_;
};

// Another program's selection, read over our own connection within the bounds above.
class OtherProgramsSelection final : public SelectionSource {
public:
    explicit OtherProgramsSelection(std::shared_ptr<SystemPasteboard::SharedReader> reader)
        : reader_(std::move(reader)) {}

    std::optional<std::vector<std::string>> targets() override {
        {
            const std::lock_guard lock(reader_->mutex);
            if (!reader_->reader.hasOwner()) {
                return std::nullopt;
            }
        }
        const auto answer = read("TARGETS");
        if (!answer) {
            return std::nullopt;
        }
        const std::lock_guard lock(reader_->mutex);
        return reader_->reader.atomNames(*answer);
    }

    std::optional<Bytes> read(const std::string& target) override {
        if (ownerStalled_ || readingLeft_ <= 0s) {
            return std::nullopt;
        }
        const std::lock_guard lock(reader_->mutex);
        const auto start = std::chrono::steady_clock::now();
        auto result = reader_->reader.read(target, ownerPatience, start + readingLeft_);
        readingLeft_ -= std::chrono::steady_clock::now() - start;
        ownerStalled_ = result.status == X11SelectionReader::Status::timedOut;
        if (result.status != X11SelectionReader::Status::delivered) {
            return std::nullopt;
        }
        return std::move(result.data);
    }

private:
    std::shared_ptr<SystemPasteboard::SharedReader> reader_;
    bool ownerStalled_ = false;
    std::chrono::steady_clock::duration readingLeft_ = readingPerChange;
};

} // namespace

SystemPasteboard::SystemPasteboard(QObject* parent)
    : QObject(parent), clipboard_(QGuiApplication::clipboard()), reader_(std::make_shared<SharedReader>()),
      manager_(std::make_unique<X11ClipboardManager>()) {
    manager_->onOwnerGone = [this] {
        if (onOwnerGone) {
            onOwnerGone();
        }
    };
    manager_->onSaveRequest = [this](std::function<void(bool)> done) {
        if (onSaveRequest) {
            onSaveRequest(std::move(done));
        } else {
            done(false);
        }
    };
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

std::unique_ptr<PasteboardContent> SystemPasteboard::read() {
    if (clearPending_) {
        return std::make_unique<SelectionContent>(std::make_unique<OwnSelection>(nullptr));
    }
    if (clipboard_->ownsClipboard()) {
        return std::make_unique<SelectionContent>(std::make_unique<OwnSelection>(clipboard_->mimeData()));
    }
    return std::make_unique<SelectionContent>(std::make_unique<OtherProgramsSelection>(reader_));
}

void SystemPasteboard::clearContents() {
    noteChange();
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

bool SystemPasteboard::ownedByAnotherProgram() {
    return !clipboard_->ownsClipboard() && manager_->clipboardHasOwner();
}

bool SystemPasteboard::becomeClipboardManager() {
    return manager_->acquire();
}

void SystemPasteboard::noteChange() {
    ++changeCount_;
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

// Compiled here rather than with the folder's other meta-object code, so a program that uses
// this class alone does not pull in its neighbours and their platform libraries.
#include "moc_SystemPasteboard.cpp"
