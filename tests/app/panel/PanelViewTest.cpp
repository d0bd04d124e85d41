#include "app/panel/ItemText.h"
#include "app/panel/PanelController.h"
#include "tests/support/ModelTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWindow>

using namespace snipstack;
using namespace snipstack::testing;

namespace {

class PanelViewTest : public ModelFixture {
protected:
    void SetUp() override {
        startModel(false);
        panel = std::make_unique<PanelController>(*model);
    }

    PanelView& view() { return panel->view(); }

    ClipItem addFiles(const std::string& paths) {
        ClipDraft draft = textDraft(paths);
        draft.kind = ClipKind::file;
        clock = clock.adding(1);
        return *model->insert(draft);
    }

    bool pressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        return panel->handleKey(event);
    }

    std::unique_ptr<PanelController> panel;
};

TEST_F(PanelViewTest, RowsCountsAndBodyStatesFollowTheModel) {
    EXPECT_EQ(view().body(), PanelView::Body::empty);
    for (int i = 0; i < 12; ++i) {
        add("entry " + std::to_string(i));
    }
    EXPECT_EQ(view().body(), PanelView::Body::list);
    EXPECT_EQ(view().header().countLabel().text(), "12 items");
    ItemListModel& rows = view().list().listModel();
    ASSERT_EQ(rows.rowCount(), 12);
    std::vector<QString> hints;
    for (int row = 0; row < rows.rowCount(); ++row) {
        hints.push_back(itemText::digitHint(row));
    }
    EXPECT_EQ(hints.front(), "Ctrl+0");
    EXPECT_EQ(hints[9], "Ctrl+9");
    EXPECT_EQ(std::ranges::count(hints, QString()), 2);

    view().searchField().setText("entry 1");
    EXPECT_EQ(model->query(), "entry 1");
    EXPECT_EQ(view().header().countLabel().text(), "3 of 12");
    EXPECT_EQ(rows.rowCount(), 3);
    model->setQuery("nothing like it");
    EXPECT_EQ(view().searchField().text(), "nothing like it");
    EXPECT_EQ(view().body(), PanelView::Body::noMatches);
}

TEST_F(PanelViewTest, TextFileAndImageRowsSayWhatTheyHold) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const ClipItem long1234 = add(std::string(1234, 'x'));
    EXPECT_TRUE(itemText::detailsLine(long1234, QLocale()).startsWith("Editor · "));
    EXPECT_TRUE(itemText::detailsLine(long1234, QLocale()).endsWith(" · 1,234 characters"));
    EXPECT_EQ(itemText::rowText(add(std::string(700, 'a'))), QString(700, 'a'));
    EXPECT_EQ(itemText::rowText(add(std::string(701, 'b'))), QString(700, 'b') + "…");
    EXPECT_EQ(itemText::rowText(add("\n\n  \nfirst line\nsecond\n")), "first line\nsecond");

    const ClipItem three = addFiles("/home/me/Documents/a.pdf\n/home/me/b.txt\n/tmp/c");
    EXPECT_EQ(itemText::fileLines(three).folder, "/home/me/Documents");
    EXPECT_EQ(itemText::fileLines(three).names, "a.pdf and 2 more");
    EXPECT_TRUE(itemText::detailsLine(three, QLocale()).endsWith(" · 3 files"));
    const ClipItem one = addFiles("/home/me/a.pdf");
    EXPECT_EQ(itemText::fileLines(one).names, "a.pdf");
    EXPECT_TRUE(itemText::detailsLine(one, QLocale()).endsWith(" · 1 file"));

    ClipItem image = *model->insert(imageDraft(Qt::red));
    EXPECT_TRUE(itemText::detailsLine(image, QLocale()).contains(" · 40 × 30 · "));
    image.imageWidth.reset();
    EXPECT_FALSE(itemText::detailsLine(image, QLocale()).contains(" × "));
}

TEST_F(PanelViewTest, TheContextMenuNamesTheClickThatDoesTheSameAndOffersNoEditForFiles) {
    model->preferences().setAction(ItemAction::moveToTop, ClickKind::option);
    const auto titles = [&](const ClipItem& item) {
        std::vector<QString> all;
        for (const auto& entry : itemText::contextMenu(item, model->preferences())) {
            all.push_back(entry.title);
        }
        return all;
    };
    const auto text = titles(add("some text"));
    ASSERT_EQ(text.size(), 4u);
    EXPECT_EQ(text[1], "Paste Next      Alt click");
    EXPECT_EQ(text[2], "Pin") << "no click pins";
    EXPECT_TRUE(text[0].startsWith("Edit…"));

    const auto files = titles(addFiles("/tmp/a"));
    EXPECT_EQ(files.size(), 3u);
    EXPECT_TRUE(std::ranges::none_of(files, [](const QString& title) { return title.startsWith("Edit"); }));
    QMenu* menu = view().list().makeContextMenu(0);
    EXPECT_EQ(menu->actions().size(), 4) << "three entries and the separator before Delete";
    delete menu;
}

TEST_F(PanelViewTest, KeysPasteRowsAndReturnIsTakenWithNothingSelected) {
    add("first");
    add("second");
    EXPECT_FALSE(pressKey(Qt::Key_3, Qt::ControlModifier));
    EXPECT_TRUE(pressKey(Qt::Key_1, Qt::ControlModifier));
    EXPECT_EQ(pasteboard.content().representations.front().data, bytesOf("first"));
    model->setQuery("neither");
    ASSERT_FALSE(model->selectedItem());
    EXPECT_TRUE(pressKey(Qt::Key_Return));
    EXPECT_TRUE(desktop.pasteKeystrokes.empty());
}

TEST_F(PanelViewTest, ALockedHistoryShowsOnlyTheLockedStateWhateverTheQuery) {
    panel.reset();
    startModel(true);
    panel = std::make_unique<PanelController>(*model);
    add("secret");
    model->setQuery("sec");
    model->preferences().setRequireAuth(true);
    vault.failLoad = true;
    desktop.wakeHandler();
    ASSERT_TRUE(waitUntil([&] { return model->isLocked(); }));
    model->unlock();
    ASSERT_TRUE(waitUntil([&] { return model->storageError().has_value(); }));
    EXPECT_EQ(view().body(), PanelView::Body::locked);
    EXPECT_TRUE(view().searchField().isHidden());
    EXPECT_TRUE(view().header().countLabel().isHidden());
    EXPECT_FALSE(view().lockedState().errorLabel().isHidden());
}

TEST_F(PanelViewTest, TheCoverCardStandsInForTheHistoryUntilTheUserRevealsIt) {
    add("private");
    desktop.capturing = true;
    panel->show();
    EXPECT_TRUE(model->shieldActive());
    EXPECT_EQ(view().body(), PanelView::Body::shield);
    model->setViewerVisibility(AppModel::ViewerVisibility::untilClosed);
    EXPECT_EQ(view().body(), PanelView::Body::list);
    // Revealing lasts for this opening only.
    panel->hide();
    ASSERT_TRUE(waitUntil([&] { return !panel->window().isVisible(); }));
    panel->show();
    EXPECT_EQ(view().body(), PanelView::Body::shield);
    desktop.capturing = false;
    ASSERT_TRUE(waitUntil([&] { return !model->shieldActive(); }, std::chrono::seconds(2)));
    model->preferences().setHideFromScreenSharing(false);
    desktop.capturing = true;
    ASSERT_TRUE(waitUntil([&] { return model->isScreenBeingShared(); }, std::chrono::seconds(2)));
    EXPECT_FALSE(model->shieldActive());
}

TEST_F(PanelViewTest, FocusLeavingForAnotherWindowHidesThePanelButItsMenusDoNot) {
    add("entry");
    panel->show();
    QWindow* window = panel->window().windowHandle();
    panel->focusChanged(window);
    QMenu* menu = view().list().makeContextMenu(0);
    menu->popup(QPoint(10, 10));
    ASSERT_TRUE(waitUntil([&] { return QApplication::activePopupWidget() == menu; }));
    panel->focusChanged(nullptr);
    EXPECT_TRUE(panel->isWindowVisible());
    menu->close();
    QWindow other;
    panel->focusChanged(&other);
    EXPECT_FALSE(panel->isWindowVisible());
    EXPECT_TRUE(panel->lastHidden().has_value());
}

} // namespace
