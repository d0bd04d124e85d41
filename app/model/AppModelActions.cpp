// Captures, the list the panel shows, and the actions on entries.
#include "app/model/AppModel.h"
#include "app/system/LogCategories.h"
#include "app/system/clipboard/Pasteboard.h"
#include "core/model/ContentHash.h"

#include <QTimer>
#include <algorithm>
#include <chrono>

namespace snipstack {

namespace {

// The front application needs this long to take the focus back before the keystroke arrives.
constexpr std::chrono::milliseconds pasteDelay{120};
// Lets the editor's window close before the panel takes the screen.
constexpr std::chrono::milliseconds reshowDelay{200};

std::optional<std::size_t> indexOf(const std::vector<ClipItem>& items, const Uuid& id) {
    const auto found = std::ranges::find(items, id, &ClipItem::id);
    return found == items.end() ? std::nullopt : std::optional<std::size_t>(found - items.begin());
}

} // namespace

std::optional<Bytes> AppModel::imageBytes(const ClipPayload& payload) {
    for (const auto type : {PasteboardType::png, PasteboardType::tiff}) {
        if (const Bytes* data = payload.dataForType(type)) {
            return *data;
        }
    }
    return std::nullopt;
}

// A history write that fails (a full disk, an unreadable record) must not take the program down;
// the entry simply stays as the history has it.
bool AppModel::guarded(const std::function<void()>& change) {
    try {
        change();
        return true;
    } catch (const std::exception& error) {
        qCWarning(storageLog, "A history change failed: %s", error.what());
        return false;
    }
}

void AppModel::handleCapture(const ClipDraft& draft) {
    if (capturePaused_) {
        return;
    }
    if (storageBusy()) {
        captureMissed_ = true;
        return;
    }
    const bool newScreenshot = monitor_.lastCaptureWasNewScreenshot();
    const auto item = insert(draft);
    if (!item) {
        return;
    }
    if (panelVisible_) {
        if (!indexOf(visibleItems_, item->id)) {
            setQuery({});
        }
        setSelectedID(item->id);
        ++listTopToken_;
        emit listTopTokenChanged();
    }
    if (newScreenshot && preferences_->openScreenshotsInEditor()) {
        if (const auto bytes = imageBytes(draft.payload)) {
            appBeforeEditing_ = environment_.workspace.frontmostApplication();
            hidePanel();
            environment_.windows.openImageEditor(*item, *bytes);
        }
    }
}

std::optional<ClipItem> AppModel::insert(const ClipDraft& draft) {
    std::optional<ClipItem> item;
    const bool added = guarded([&] { item = history_->add(draft, environment_.now()); });
    refreshItems();
    if (!added) {
        return std::nullopt;
    }
    if (item->kind == ClipKind::text) {
        startRichPreviews();
    } else if (item->kind == ClipKind::image) {
        startTextRecognition();
    }
    return item;
}

void AppModel::refreshItems() {
    assign(items_, history_->items(), &AppModel::itemsChanged);
    forgetKeptIfDeleted();
    assign(visibleItems_, history_->search(query_.toStdString()), &AppModel::visibleItemsChanged);
    if (selectedID_ && indexOf(visibleItems_, *selectedID_)) {
        return;
    }
    setSelectedID(visibleItems_.empty() ? std::nullopt : std::optional(visibleItems_.front().id));
}

void AppModel::setQuery(const QString& query) {
    if (query == query_) {
        return;
    }
    query_ = query;
    emit queryChanged();
    assign(visibleItems_, history_->search(query_.toStdString()), &AppModel::visibleItemsChanged);
    setSelectedID(visibleItems_.empty() ? std::nullopt : std::optional(visibleItems_.front().id));
}

std::optional<ClipItem> AppModel::selectedItem() const {
    if (!selectedID_) {
        return std::nullopt;
    }
    const auto index = indexOf(visibleItems_, *selectedID_);
    return index ? std::optional(visibleItems_[*index]) : std::nullopt;
}

void AppModel::moveSelection(int delta) {
    if (visibleItems_.empty()) {
        return;
    }
    const auto current = selectedID_ ? indexOf(visibleItems_, *selectedID_) : std::nullopt;
    const auto last = static_cast<std::ptrdiff_t>(visibleItems_.size()) - 1;
    const auto index =
        std::clamp(static_cast<std::ptrdiff_t>(current.value_or(0)) + delta, std::ptrdiff_t{0}, last);
    setSelectedID(visibleItems_[static_cast<std::size_t>(index)].id);
}

void AppModel::panelWillOpen() {
    applyExpiry();
    setTileDetailsRevealed(false);
    setRevealedToViewers(false);
    refreshAccessibility();
    setSelectedID(visibleItems_.empty() ? std::nullopt : std::optional(visibleItems_.front().id));
    ++focusToken_;
    emit focusTokenChanged();
}

void AppModel::showPanel(const std::optional<Uuid>& selecting) {
    if (selecting && !indexOf(visibleItems_, *selecting)) {
        setQuery({});
    }
    if (panel_) {
        panel_->show();
    }
    if (selecting) {
        setSelectedID(selecting);
    }
}

void AppModel::hidePanel() {
    if (panel_) {
        panel_->hide();
    }
}

ClickKind AppModel::clickKind(Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ControlModifier) {
        return ClickKind::command;
    }
    if (modifiers & Qt::AltModifier) {
        return ClickKind::option;
    }
    if (modifiers & Qt::ShiftModifier) {
        return ClickKind::shift;
    }
    return ClickKind::plain;
}

void AppModel::click(const ClipItem& item, Qt::KeyboardModifiers modifiers) {
    ItemAction action = preferences_->action(clickKind(modifiers));
    if (action == ItemAction::nothing) {
        action = preferences_->action(ClickKind::plain);
    }
    perform(action, item);
}

void AppModel::perform(ItemAction action, const ClipItem& item) {
    switch (action) {
    case ItemAction::paste:
        paste(item, true);
        break;
    case ItemAction::moveToTop:
        moveToTop(item);
        break;
    case ItemAction::edit:
        if (item.kind != ClipKind::file) {
            edit(item);
        }
        break;
    case ItemAction::pin:
        togglePin(item);
        break;
    case ItemAction::remove:
        deleteItem(item);
        break;
    case ItemAction::nothing:
        break;
    }
}

bool AppModel::writeToClipboard(const ClipItem& item) {
    return guarded([&] { monitor_.write(history_->payload(item.id), item.kind); });
}

void AppModel::paste(const ClipItem& item, bool sendKeystroke) {
    if (storageBusy() || !writeToClipboard(item)) {
        environment_.desktop.beep();
        return;
    }
    guarded([&] { history_->moveToTop(item.id, environment_.now()); });
    refreshItems();
    hidePanel();
    if (!sendKeystroke) {
        return;
    }
    if (!environment_.desktop.accessibilityGranted()) {
        environment_.desktop.requestAccessibility();
        environment_.desktop.openAccessibilitySettings();
        return;
    }
    QTimer::singleShot(pasteDelay, this, [this] {
        const auto front = environment_.workspace.frontmostApplication();
        if (!environment_.desktop.postPasteKeystroke(front ? front->windowClass : std::string())) {
            qCWarning(accessibilityLog, "Could not post the paste keystroke");
        }
    });
}

void AppModel::moveToTop(const ClipItem& item) {
    if (storageBusy() || !writeToClipboard(item)) {
        return;
    }
    guarded([&] { history_->moveToTop(item.id, environment_.now()); });
    refreshItems();
    setSelectedID(item.id);
    ++listTopToken_;
    emit listTopTokenChanged();
}

void AppModel::togglePin(const ClipItem& item) {
    if (storageBusy()) {
        return;
    }
    guarded([&] { history_->setPinned(!item.isPinned, item.id); });
    refreshItems();
}

void AppModel::deleteItem(const ClipItem& item) {
    if (storageBusy()) {
        return;
    }
    const auto index = indexOf(visibleItems_, item.id);
    guarded([&] { history_->deleteItem(item.id); });
    forgetThumbnail(item.id);
    refreshItems();
    if (index && !visibleItems_.empty()) {
        setSelectedID(visibleItems_[std::min(*index, visibleItems_.size() - 1)].id);
    }
}

void AppModel::edit(const ClipItem& item) {
    if (storageBusy() || item.kind == ClipKind::file) {
        return;
    }
    ClipPayload payload;
    if (!guarded([&] { payload = history_->payload(item.id); })) {
        return;
    }
    // An image without bytes an editor can open leaves everything as it is.
    const auto image = item.kind == ClipKind::image ? imageBytes(payload) : std::nullopt;
    if (item.kind == ClipKind::image && !image) {
        return;
    }
    appBeforeEditing_ = environment_.workspace.frontmostApplication();
    hidePanel();
    if (image) {
        environment_.windows.openImageEditor(item, *image);
    } else {
        environment_.windows.openTextEditor(item, payload);
    }
}

std::optional<ClipItem> AppModel::insertFromEditor(std::optional<ClipDraft> draft) {
    if (storageBusy() || !draft) {
        return std::nullopt;
    }
    draft->sourceAppName = editorSourceName;
    draft->sourceBundleID.reset();
    return insert(*draft);
}

std::optional<ClipItem> AppModel::insertEditedText(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    ClipDraft draft;
    draft.kind = ClipKind::text;
    draft.text = text;
    draft.payload = PasteboardMonitor::plainTextPayload(text);
    draft.contentHash = contentHash(std::string_view(text));
    return insertFromEditor(std::move(draft));
}

std::optional<ClipItem> AppModel::insertEditedRichText(const std::optional<ClipDraft>& draft) {
    return insertFromEditor(draft);
}

std::optional<ClipItem> AppModel::insertEditedImage(const Bytes& png) {
    if (storageBusy()) {
        return std::nullopt;
    }
    return insertFromEditor(PasteboardMonitor::makeImageDraft(png, PasteboardType::png, {}, std::nullopt));
}

void AppModel::editorClosed(const std::optional<ClipItem>& newItem) {
    const auto previous = std::exchange(appBeforeEditing_, std::nullopt);
    if (previous && previous->bundleIdentifier != std::optional<std::string>(ownBundleID)) {
        environment_.workspace.activate(*previous);
    }
    if (newItem) {
        QTimer::singleShot(reshowDelay, this, [this, id = newItem->id] { showPanel(id); });
    }
}

std::optional<QIcon> AppModel::appIcon(const std::optional<std::string>& bundleID) {
    if (!bundleID) {
        return std::nullopt;
    }
    if (const QIcon* cached = appIcons_.find(*bundleID)) {
        return *cached;
    }
    auto icon = environment_.desktop.applicationIcon(*bundleID);
    if (icon) {
        appIcons_.insert(*bundleID, *icon, 1);
    }
    return icon;
}

void AppModel::setMaxItems(int count) {
    count = std::clamp(count, History::minItems, History::maxItemsLimit);
    preferences_->setMaxItems(count);
    if (storageBusy()) {
        return;
    }
    guarded([&] { history_->setMaxItems(count); });
    refreshItems();
}

} // namespace snipstack
