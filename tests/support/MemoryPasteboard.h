#pragma once

#include "app/system/clipboard/Pasteboard.h"

#include <cstdint>
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
        std::optional<Bytes> tiffImage = {};

        friend bool operator==(const Content&, const Content&) = default;
    };

    struct ReadCounts {
        int snapshots = 0;
        int types = 0;
        int firstItemTypes = 0;
        int data = 0;
        int plainText = 0;
        int fileURLs = 0;
        int imageAsTIFF = 0;

        int total() const {
            return snapshots + types + firstItemTypes + data + plainText + fileURLs + imageAsTIFF;
        }
        friend bool operator==(const ReadCounts&, const ReadCounts&) = default;
    };

    // Content copied by another program: raises the counter and calls onChange at once. The program's
    // own writes do not call onChange, as a watcher polling inside it would see them before the
    // writer has noted the new counter (the system clipboard delivers that call later, from the
    // event loop).
    void setContent(Content content);
    const Content& content() const { return content_; }
    const ReadCounts& reads() const { return reads_; }

    std::int64_t changeCount() override { return changeCount_; }
    // A snapshot of the content; its reads are counted here, on whichever thread makes them, so read
    // the counts only once those reads are done.
    std::unique_ptr<PasteboardContent> read() override;

    void clearContents() override;
    void writeItem(const std::vector<ClipRepresentation>& representations) override;
    void writeFileURLs(const std::vector<std::string>& urls) override;
    void setString(std::string_view text) override;

private:
    class Snapshot;

    void replace(Content content);

    Content content_;
    ReadCounts reads_;
    std::int64_t changeCount_ = 0;
};

} // namespace snipstack
