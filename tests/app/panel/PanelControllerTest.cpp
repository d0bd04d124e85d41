#include "app/panel/PanelController.h"

#include "tests/support/ModelTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>

using namespace snipstack;
using namespace snipstack::testing;

namespace {

class PanelControllerTest : public ModelFixture {
protected:
    void SetUp() override {
        startModel(false);
        model->preferences().setPanelExpanded(false);
        panel = std::make_unique<PanelController>(*model);
    }

    Preferences& preferences() { return model->preferences(); }
    QRect usable() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
    PanelWindow& window() { return panel->window(); }

    // The user drops the panel at `topLeft`.
    void dragTo(QPoint topLeft) {
        window().move(topLeft);
        panel->settle();
        ASSERT_TRUE(
            waitUntil([&] { return window().pos() == panel->frameFor(window().screen()).topLeft(); }));
    }

    // As the window system delivers it: to the window, which hands it to the focused widget.
    void sendKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(window().windowHandle(), &press);
    }

    void clickRow(int row, Qt::KeyboardModifiers modifiers) {
        ItemListView& list = panel->view().list();
        const QPoint at = list.visualRect(list.model()->index(row, 0)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, list.viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, modifiers);
        QMouseEvent release(QEvent::MouseButtonRelease, at, list.viewport()->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, modifiers);
        QCoreApplication::sendEvent(list.viewport(), &press);
        QCoreApplication::sendEvent(list.viewport(), &release);
    }

    std::unique_ptr<PanelController> panel;
};

TEST_F(PanelControllerTest, OpensAgainstTheRightEdgeAndKeepsWhereTheUserDropsIt) {
    panel->show();
    const QRect placed = window().geometry();
    EXPECT_EQ(placed.right(), usable().right());
    EXPECT_EQ(placed.height(), qRound(usable().height() * 0.88));
    EXPECT_EQ(placed.center().y(), usable().center().y());

    // Dropped near the top, it snaps there and remembers the height share, not the horizontal place.
    dragTo(QPoint(100, usable().top() + 10));
    EXPECT_EQ(preferences().panelY(), 1.0);
    EXPECT_FALSE(preferences().panelX());
    EXPECT_EQ(window().geometry().topRight(), QPoint(usable().right(), usable().top()));

    preferences().setPanelPlacement(PanelPlacement::remembered);
    dragTo(QPoint(usable().left() + 15, usable().top() + 60));
    EXPECT_EQ(preferences().panelX(), 0.0);
    EXPECT_EQ(window().x(), usable().left());

    // A full-height panel keeps the vertical share the user had for when it is shorter again.
    const auto heightShare = preferences().panelY();
    preferences().setPanelExpanded(true);
    dragTo(QPoint(usable().left() + 40, usable().top()));
    EXPECT_EQ(preferences().panelY(), heightShare);
    EXPECT_DOUBLE_EQ(*preferences().panelX(), 40.0 / (usable().width() - 420));
}

TEST_F(PanelControllerTest, ACentredPanelDraggedAsideReturnsToTheCentreAtTheNextOpening) {
    preferences().setPanelPlacement(PanelPlacement::center);
    panel->show();
    const QRect centred = window().geometry();
    dragTo(QPoint(usable().left() + 5, centred.top()));
    EXPECT_EQ(window().x(), usable().left());
    panel->position(window().screen(), false);
    EXPECT_EQ(window().x(), usable().left()) << "the drag holds for this opening";
    EXPECT_FALSE(preferences().panelX());
    panel->hide();
    ASSERT_TRUE(waitUntil([&] { return !window().isVisible(); }));
    panel->show();
    EXPECT_EQ(window().geometry(), centred);
}

TEST_F(PanelControllerTest, TheHeightButtonFillsTheScreenAndBack) {
    panel->show();
    QToolButton& height = panel->view().header().heightButton();
    EXPECT_EQ(height.toolTip(), "Fill the screen top to bottom");
    height.click();
    ASSERT_TRUE(waitUntil([&] { return window().height() == usable().height(); }));
    EXPECT_EQ(height.toolTip(), "Restore height");
}

TEST_F(PanelControllerTest, KeysReachThePanelBeforeTheSearchFieldAndTypingStillSearches) {
    add("alpha");
    add("beta");
    add("gamma");
    panel->show();
    sendKey(Qt::Key_B, Qt::NoModifier, "b");
    EXPECT_EQ(model->query(), "b");
    model->setQuery({});
    sendKey(Qt::Key_Down);
    EXPECT_EQ(model->selectedItem()->text, "beta");
    sendKey(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(pasteboard.content().representations.front().data, bytesOf("beta"));
    EXPECT_TRUE(desktop.pasteKeystrokes.empty()) << "Alt+Return only copies";
    EXPECT_EQ(model->items().front().text, "beta");
    panel->show();
    sendKey(Qt::Key_Escape);
    EXPECT_FALSE(panel->isWindowVisible());
}

TEST_F(PanelControllerTest, RowClicksCarryTheirModifiersAndTheSelectionStaysInView) {
    for (int i = 0; i < 40; ++i) {
        add("entry " + std::to_string(i));
    }
    preferences().setAction(ItemAction::pin, ClickKind::command);
    panel->show();
    clickRow(1, Qt::ControlModifier);
    EXPECT_TRUE(model->visibleItems()[1].isPinned);
    EXPECT_TRUE(panel->isWindowVisible());

    QScrollBar* bar = panel->view().list().verticalScrollBar();
    for (int i = 0; i < 39; ++i) {
        model->moveSelection(1);
    }
    EXPECT_EQ(bar->value(), bar->maximum());
    model->handleCapture(textDraft("new at the top"));
    EXPECT_EQ(bar->value(), 0) << "a capture while open scrolls back to the top";
}

TEST_F(PanelControllerTest, TheViewerControlAndTheAccessWarningFollowTheModel) {
    panel->show();
    QToolButton& viewer = panel->view().header().viewerButton();
    EXPECT_EQ(viewer.toolTip(), "Hidden from screenshare users. Click to change.");
    const auto choices = viewer.menu()->actions();
    ASSERT_EQ(choices.size(), 4) << "the section title and three choices";
    choices.back()->trigger();
    EXPECT_FALSE(preferences().hideFromScreenSharing());
    EXPECT_EQ(viewer.toolTip(), "Visible to screenshare users. Click to change.");

    EXPECT_TRUE(panel->view().footer().accessWarning().isHidden());
    desktop.granted = false;
    panel->hide();
    ASSERT_TRUE(waitUntil([&] { return !window().isVisible(); }));
    panel->show();
    EXPECT_FALSE(panel->view().footer().accessWarning().isHidden());
}

} // namespace
