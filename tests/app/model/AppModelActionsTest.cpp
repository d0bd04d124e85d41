#include "tests/support/ModelTestSupport.h"

using namespace snipstack;
using namespace snipstack::testing;

namespace {

class AppModelActionsTest : public ModelFixture {
protected:
    void SetUp() override { startModel(false); }

    const ClipItem& visible(const std::string& text) {
        const auto& items = model->visibleItems();
        return *std::ranges::find(items, text, &ClipItem::text);
    }
};

TEST_F(AppModelActionsTest, CapturesAreDroppedWhilePausedAndTakenInOtherwise) {
    copyElsewhere("first");
    model->setCapturePaused(true);
    copyElsewhere("while paused");
    model->setCapturePaused(false);
    copyElsewhere("second");
    EXPECT_EQ(textsOf(model->items()), (std::vector<std::string>{"second", "first"}));
}

TEST_F(AppModelActionsTest, ACaptureThatMissesTheActiveSearchClearsItAndIsSelectedAtTheTop) {
    add("alpha");
    add("beta");
    model->setPanelVisible(true);
    model->setQuery("alp");
    ASSERT_EQ(textsOf(model->visibleItems()), std::vector<std::string>{"alpha"});
    const int listTop = model->listTopToken();

    copyElsewhere("gamma");
    EXPECT_EQ(model->query(), QString());
    EXPECT_EQ(textsOf(model->visibleItems()), (std::vector<std::string>{"gamma", "beta", "alpha"}));
    EXPECT_EQ(model->selectedItem()->text, "gamma");
    EXPECT_EQ(model->listTopToken(), listTop + 1);

    // A capture the search matches keeps the search.
    model->setQuery("gam");
    copyElsewhere("gamut");
    EXPECT_EQ(model->query(), QString("gam"));
    EXPECT_EQ(model->selectedItem()->text, "gamut");
}

TEST_F(AppModelActionsTest, ANewScreenshotOpensInTheEditorOnlyWhenAsked) {
    copyElsewhere("before");
    const Bytes png = *imageDraft(Qt::green).payload.dataForType(PasteboardType::png);
    model->showPanel(std::nullopt);
    pasteboard.setContent({.representations = {{std::string(PasteboardType::png), png}}});
    pollNow();
    EXPECT_EQ(windows.imageEditorsOpened, std::vector<Uuid>{model->items().front().id});
    EXPECT_FALSE(windows.panel->visible);

    model->preferences().setOpenScreenshotsInEditor(false);
    pasteboard.setContent({.representations = {{std::string(PasteboardType::png), png}}});
    pollNow();
    EXPECT_EQ(windows.imageEditorsOpened.size(), 1u);
}

TEST_F(AppModelActionsTest, SelectionStaysInPlaceAfterDeletesAndAtTheEnds) {
    for (const auto* text : {"d", "c", "b", "a"}) {
        add(text);
    }
    model->setSelectedID(visible("a").id);
    model->moveSelection(-1);
    EXPECT_EQ(model->selectedItem()->text, "a");
    model->setSelectedID(std::nullopt);
    model->moveSelection(1);
    EXPECT_EQ(model->selectedItem()->text, "b");
    model->moveSelection(5);
    EXPECT_EQ(model->selectedItem()->text, "d");

    model->deleteItem(visible("b"));
    EXPECT_EQ(model->selectedItem()->text, "c");
    model->deleteItem(visible("d"));
    EXPECT_EQ(model->selectedItem()->text, "c");
    model->deleteItem(visible("a"));
    model->deleteItem(visible("c"));
    EXPECT_FALSE(model->selectedID());
    EXPECT_TRUE(model->history().items().empty());
}

TEST_F(AppModelActionsTest, PasteWritesMovesHidesAndSendsTheKeystrokeLater) {
    add("older");
    add("newer");
    model->showPanel(std::nullopt);
    model->paste(visible("older"), true);
    EXPECT_EQ(*pasteboard.read()->plainText(), "older");
    EXPECT_EQ(model->items().front().text, "older");
    EXPECT_FALSE(windows.panel->visible);
    EXPECT_TRUE(desktop.pasteKeystrokes.empty());
    ASSERT_TRUE(waitUntil([&] { return !desktop.pasteKeystrokes.empty(); }));
    EXPECT_EQ(desktop.pasteKeystrokes, std::vector<std::string>{"gedit"});

    // Alt+Return: on the clipboard and at the top, no keystroke; the monitor does not take it again,
    // so once deleted it stays deleted.
    model->paste(visible("newer"), false);
    EXPECT_EQ(textsOf(model->items()), (std::vector<std::string>{"newer", "older"}));
    model->deleteItem(visible("newer"));
    pollNow();
    runEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(desktop.pasteKeystrokes.size(), 1u);
    EXPECT_EQ(*pasteboard.read()->plainText(), "newer");
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"older"});

    // Without access the entry stays on the clipboard and access is asked for instead.
    desktop.granted = false;
    model->paste(visible("older"), true);
    runEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(desktop.pasteKeystrokes.size(), 1u);
    EXPECT_EQ(desktop.accessRequests, 1);
    EXPECT_EQ(*pasteboard.read()->plainText(), "older");
}

TEST_F(AppModelActionsTest, ClicksRunTheActionOfTheirModifiers) {
    model->preferences().setAction(ItemAction::pin, ClickKind::plain);
    model->preferences().setAction(ItemAction::remove, ClickKind::command);
    model->preferences().setAction(ItemAction::nothing, ClickKind::shift);
    add("keep");
    add("gone");
    model->click(visible("keep"), Qt::ShiftModifier);
    EXPECT_TRUE(visible("keep").isPinned);
    model->click(visible("gone"), Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"keep"});

    model->perform(ItemAction::edit, visible("keep"));
    EXPECT_EQ(windows.textEditorsOpened, std::vector<Uuid>{visible("keep").id});
}

TEST_F(AppModelActionsTest, AnEditorSaveAddsANewEntryFromSnipstackAndReshowsThePanel) {
    const ClipItem original = add("draft");
    model->edit(original);
    const auto saved = model->insertEditedText("final");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->sourceAppName, "Snipstack");
    EXPECT_FALSE(saved->sourceBundleID);
    EXPECT_EQ(model->items()[1], original);
    EXPECT_FALSE(model->insertEditedText(""));

    model->editorClosed(saved);
    ASSERT_EQ(workspace.activated.size(), 1u);
    EXPECT_EQ(workspace.activated.front().windowClass, "gedit");
    EXPECT_FALSE(windows.panel->visible);
    ASSERT_TRUE(waitUntil([&] { return windows.panel->visible; }));
    EXPECT_EQ(model->selectedID(), saved->id);
}

TEST_F(AppModelActionsTest, ImagesAreRecognisedAndTextsGetPreviewsInTheBackground) {
    renderer.preview = bytesOf("png");
    const auto image = model->insert(imageDraft(Qt::red));
    const auto text = model->insert(textDraft("formatted"));
    ASSERT_TRUE(waitUntil([&] { return !model->isRecognizingText() && !model->isRenderingPreviews(); }));
    EXPECT_EQ(model->history().items()[1].ocrText, "recognised words");
    EXPECT_EQ(model->history().items()[0].hasRichPreview, true);
    EXPECT_EQ(model->history().thumbnail(text->id), bytesOf("png"));
}

TEST_F(AppModelActionsTest, ThumbnailsAreDecodedOffTheMainThreadAndAnnounced) {
    renderer.preview = bytesOf("png");
    const auto image = model->insert(imageDraft(Qt::red));
    const auto text = model->insert(textDraft("formatted"));
    ASSERT_TRUE(waitUntil([&] { return !model->isRenderingPreviews(); }));
    std::vector<Uuid> ready;
    QObject::connect(model.get(), &AppModel::thumbnailReady, [&](const Uuid& id) { ready.push_back(id); });

    EXPECT_FALSE(model->thumbnailImage(image->id));
    ASSERT_TRUE(waitUntil([&] { return ready.size() == 1; }));
    EXPECT_EQ(ready[0], image->id);
    EXPECT_TRUE(model->thumbnailImage(image->id));

    // A preview that does not decode is announced never and asked for once.
    EXPECT_FALSE(model->thumbnailImage(text->id));
    waitUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_FALSE(model->thumbnailImage(text->id));
    EXPECT_EQ(ready.size(), 1u);

    // An entry deleted while its thumbnail decodes leaves nothing in the cache.
    const auto other = model->insert(imageDraft(Qt::blue));
    EXPECT_FALSE(model->thumbnailImage(other->id));
    const std::size_t cached = model->cachedThumbnailBytes();
    model->deleteItem(*other);
    waitUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(model->cachedThumbnailBytes(), cached);
    EXPECT_EQ(ready.size(), 1u);
}

TEST_F(AppModelActionsTest, ThumbnailsAndIconsAreCachedWithinTheirBounds) {
    // Each thumbnail decodes to 840 x 840 x 4 bytes: thirty are more than the bound holds.
    std::vector<Uuid> ids;
    for (int i = 0; i < 30; ++i) {
        clock = clock.adding(1);
        ids.push_back(model->insert(imageDraft(QColor(i, 0, 0), QSize(840, 840)))->id);
    }
    for (const auto& id : ids) {
        model->thumbnailImage(id);
        ASSERT_TRUE(waitUntil([&] { return model->thumbnailImage(id).has_value(); }));
    }
    EXPECT_LE(model->cachedThumbnailBytes(), AppModel::thumbnailCacheBytes);
    EXPECT_GT(model->cachedThumbnailBytes(), AppModel::thumbnailCacheBytes / 2);

    // Icons are looked up once; their cache is the one LruCacheTest checks.
    model->appIcon("org.example.App");
    model->appIcon("org.example.App");
    EXPECT_EQ(desktop.iconLookups.size(), 1u);
}

} // namespace

namespace {

std::string clipboardText(const MemoryPasteboard& pasteboard) {
    const auto& representations = pasteboard.content().representations;
    return representations.empty() ? std::string() : std::string(viewOf(representations.front().data));
}

TEST_F(AppModelActionsTest, WhatAProgramCopiedOutlivesItUnlessItWasNeverKept) {
    copyElsewhere("older");
    copyElsewhere("terminal text");
    pasteboard.ownerQuits();
    model->monitor().waitForCaptures();
    EXPECT_EQ(clipboardText(pasteboard), "terminal text");
    // Offering it is no new copy, and the entry stays where it was.
    model->monitor().poll();
    model->monitor().waitForCaptures();
    EXPECT_EQ(textsOf(model->items()), (std::vector<std::string>{"terminal text", "older"}));

    // A password is neither kept nor offered in its owner's place.
    pasteboard.setContent(
        {.representations = {{std::string(PasteboardType::concealed), {}},
                             {std::string(PasteboardType::plainText), bytesOf("hunter2")}}});
    pollNow();
    pasteboard.ownerQuits();
    model->monitor().waitForCaptures();
    EXPECT_EQ(clipboardText(pasteboard), "");

    // A quitting owner that hands its content over hears that it is kept.
    copyElsewhere("handed over");
    std::optional<bool> kept;
    pasteboard.onSaveRequest([&](bool answer) { kept = answer; });
    EXPECT_EQ(kept, true);
    pasteboard.ownerQuits();
    model->monitor().waitForCaptures();
    EXPECT_EQ(clipboardText(pasteboard), "handed over");

    // What is offered goes with the history.
    model->clearHistory(false);
    EXPECT_EQ(clipboardText(pasteboard), "");
}

} // namespace
