#pragma once

#include "app/system/clipboard/Pasteboard.h"

#include <QObject>
#include <cstdint>
#include <memory>

class QClipboard;
class QMimeData;

namespace snipstack {

class X11ClipboardManager;
class X11SelectionReader;

// The X11 CLIPBOARD selection as a Pasteboard. Qt tells of changes (through XFixes); content is read
// over a connection of our own with deadlines, or from a snapshot of our own data while we own it.
//
// It also tells when the owner quits and, as the clipboard manager, when an owner about to quit
// hands its content over.
//
// Bounds: one second for each answer of the owner, five seconds of reading per change; after an
// owner has let one request time out, nothing more is asked of it for that change.
//
// onChange is delivered from the event loop, also for writes of ours, so that a writer has noted the
// new change count before a watcher looks.
class SystemPasteboard : public QObject, public Pasteboard {
    Q_OBJECT

public:
    explicit SystemPasteboard(QObject* parent = nullptr);
    ~SystemPasteboard() override;

    std::int64_t changeCount() override { return changeCount_; }
    std::unique_ptr<PasteboardContent> read() override;

    // Releasing the selection is put off to the event loop and dropped when a write follows first,
    // so clear-then-write changes the owner once; reads see an empty clipboard straight away.
    void clearContents() override;
    void writeItem(const std::vector<ClipRepresentation>& representations) override;
    void writeFileURLs(const std::vector<std::string>& urls) override;
    void setString(std::string_view text) override;
    bool ownedByAnotherProgram() override;
    bool becomeClipboardManager() override;

    // Shared by the contents being read; used by one thread at a time.
    struct SharedReader;

private:
    void noteChange();
    void replaceContents(QMimeData* data);

    QClipboard* clipboard_;
    std::shared_ptr<SharedReader> reader_;
    std::unique_ptr<X11ClipboardManager> manager_;
    std::int64_t changeCount_ = 0;
    bool writing_ = false;
    bool clearPending_ = false;
};

} // namespace snipstack
