#pragma once

#include "app/system/Pasteboard.h"
#include "app/system/X11SelectionReader.h"

#include <QObject>
#include <chrono>
#include <map>
#include <optional>

class QClipboard;
class QMimeData;

namespace snipstack {

// The X11 CLIPBOARD selection as a Pasteboard. Qt tells of changes (through XFixes); content is read
// over a connection of our own with deadlines, or straight from our own data while we own it.
//
// Type listing: targets map to identifiers in the owner's order, each listed once. A text/uri-list
// holding file URLs is listed once as "public.file-url" (its data is the first file URL; fileURLs()
// has them all); one without file URLs stays "text/uri-list". The password-manager hint is listed as
// the concealed marker only when its value is "secret".
//
// Bounds: one second for each answer of the owner, five seconds of reading per change; after an
// owner has let one request time out, nothing more is asked of it until the next change.
//
// onChange is delivered from the event loop, also for writes of ours, so that a writer has noted the
// new change count before a watcher looks.
class SystemPasteboard : public QObject, public Pasteboard {
    Q_OBJECT

public:
    explicit SystemPasteboard(QObject* parent = nullptr);
    ~SystemPasteboard() override;

    std::int64_t changeCount() override { return changeCount_; }
    std::vector<std::string> types() override;
    std::optional<std::vector<std::string>> firstItemTypes() override;
    std::optional<Bytes> data(std::string_view type) override;
    std::optional<std::string> plainText() override;
    std::vector<std::string> fileURLs() override;
    std::optional<Bytes> imageAsTIFF() override;

    // Releasing the selection is put off to the event loop and dropped when a write follows first,
    // so clear-then-write changes the owner once; reads see an empty clipboard straight away.
    void clearContents() override;
    void writeItem(const std::vector<ClipRepresentation>& representations) override;
    void writeFileURLs(const std::vector<std::string>& urls) override;
    void setString(std::string_view text) override;

private:
    // What the current change offers, read once per change.
    struct Offer {
        bool hasItem = false;
        std::vector<std::string> targets;
        std::vector<std::string> types;
        std::vector<std::string> fileURLs;
        bool ownerStalled = false;
        std::chrono::steady_clock::duration readingLeft{};
    };

    Offer& offer();
    void listTypes(Offer& offer);
    std::optional<Bytes> readTarget(const std::string& target);
    void noteChange();
    void replaceContents(QMimeData* data);

    QClipboard* clipboard_;
    X11SelectionReader reader_;
    std::int64_t changeCount_ = 0;
    bool writing_ = false;
    bool clearPending_ = false;
    std::optional<Offer> offer_;
    // Bytes read during one turn of the event loop, so one capture asks the owner once per target
    // without keeping clipboard content in memory afterwards.
    std::map<std::string, std::optional<Bytes>, std::less<>> turnCache_;
};

} // namespace snipstack
