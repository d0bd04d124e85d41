#pragma once

#include "app/system/clipboard/Pasteboard.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace snipstack {

// An in-process clipboard for tests: a test puts content on it as another program would, and reads
// back what the program wrote. Counts reads so a test can tell that a step looked at nothing.
class MemoryPasteboard : public Pasteboard {
public:
    struct Content {
        // The single item's types, in order, with their bytes.
        std::vector<ClipRepresentation> representations = {};
        // The item's string; when absent, the "public.utf8-plain-text" representation stands in.
        std::optional<std::string> plainText = {};
        std::vector<std::string> fileURLs = {};
    };

    // Content copied by another program: raises the counter and calls onChange at once. The program's
    // own writes do not call onChange, as a watcher polling inside it would see them before the
    // writer has noted the new counter (the system clipboard delivers that call later, from the
    // event loop).
    void setContent(Content content);
    const Content& content() const { return content_; }

    // Snapshots taken, and bytes asked of them; counted on whichever thread reads, so look only once
    // those reads are done.
    int snapshots = 0;
    int dataReads = 0;
    // Run by a snapshot before it lists the item's types, on the reading thread, as a slow owner
    // would hold it up; each snapshot keeps the hook set when it was taken.
    std::function<void()> beforeRead;

    std::int64_t changeCount() override { return changeCount_; }
    std::unique_ptr<PasteboardContent> read() override;

    void clearContents() override { replace({}); }
    void writeItem(const std::vector<ClipRepresentation>& representations) override {
        replace({.representations = representations});
    }
    void writeFileURLs(const std::vector<std::string>& urls) override;
    void setString(std::string_view text) override;
    bool ownedByAnotherProgram() override { return ownedByAnotherProgram_; }
    bool becomeClipboardManager() override { return true; }

    // The program that copied quits without handing its content over: the clipboard empties.
    void ownerQuits();

private:
    void replace(Content content);

    Content content_;
    std::int64_t changeCount_ = 0;
    bool ownedByAnotherProgram_ = false;
};

} // namespace snipstack
