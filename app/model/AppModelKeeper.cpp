#include "app/model/AppModel.h"

#include <algorithm>

namespace snipstack {

// On X11 a copy lives only as long as the program that made it. When that program quits, what it
// held is already our newest entry (unless it was not taken in: marked secret, too large), and we
// offer it in the program's place, every stored representation of it, so pasting still works.
void AppModel::keepClipboard() {
    keepPending_ = false;
    if (!isStarted_ || capturePaused_ || storageBusy()) {
        return;
    }
    if (monitor_.isReading()) {
        // Decided once the content being read is in.
        keepPending_ = true;
        return;
    }
    // Changes not yet read are read first: a copy whose program quit before it was read must not
    // be answered with an older entry.
    if (monitor_.lastChangeCount != environment_.pasteboard.changeCount()) {
        monitor_.poll();
        if (monitor_.isReading()) {
            keepPending_ = true;
            return;
        }
    }
    if (environment_.pasteboard.ownedByAnotherProgram()) {
        return;
    }
    const std::optional<ClipItem> kept = lastCapturedEntry();
    // Written as a paste writes, so the monitor does not take it in again; the entry stays in place.
    if (!kept || !guarded([&] { monitor_.write(history_->payload(kept->id), kept->kind); })) {
        return;
    }
    keptID_ = kept->id;
    keptChangeCount_ = environment_.pasteboard.changeCount();
}

// A program about to quit asks the clipboard manager to keep its content. The capture has read it,
// or is reading it now; the answer waits for that.
void AppModel::keepOnRequest(std::function<void(bool kept)> done) {
    if (!isStarted_ || capturePaused_ || storageBusy()) {
        done(false);
        return;
    }
    if (monitor_.lastChangeCount != environment_.pasteboard.changeCount()) {
        monitor_.poll();
    }
    if (monitor_.isReading()) {
        saveRequests_.push_back(std::move(done));
        return;
    }
    done(lastCapturedEntry().has_value());
}

void AppModel::settleKeeping() {
    if (monitor_.isReading()) {
        return;
    }
    for (auto& done : std::exchange(saveRequests_, {})) {
        done(lastCapturedEntry().has_value());
    }
    if (keepPending_) {
        keepClipboard();
    }
}

std::optional<ClipItem> AppModel::lastCapturedEntry() const {
    const auto& hash = monitor_.lastCapturedHash();
    if (!hash) {
        return std::nullopt;
    }
    const auto entry = std::ranges::find(items_, *hash, &ClipItem::contentHash);
    return entry == items_.end() ? std::nullopt : std::optional(*entry);
}

// What we offer goes with the entry: a cleared history leaves nothing to paste.
void AppModel::forgetKeptIfDeleted() {
    if (!keptID_) {
        return;
    }
    if (keptChangeCount_ != environment_.pasteboard.changeCount()) {
        keptID_.reset();
        return;
    }
    if (std::ranges::find(items_, *keptID_, &ClipItem::id) == items_.end()) {
        keptID_.reset();
        environment_.pasteboard.clearContents();
    }
}

} // namespace snipstack
