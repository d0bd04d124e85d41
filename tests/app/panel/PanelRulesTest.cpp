#include "app/panel/FocusLoss.h"
#include "app/panel/PanelKeys.h"
#include "app/panel/PanelPlacement.h"
#include "app/panel/ScreenCoordinates.h"

#include <QWindow>
#include <gtest/gtest.h>

using namespace snipstack;
using namespace snipstack::PanelGeometry;

namespace {

// A 1440 × 900 display whose top 25 points are a bar.
const Rect usable{0, 0, 1440, 875};

TEST(PanelRulesTest, EachPlacementPutsThePanelWhereItSays) {
    PlacementInputs inputs;
    EXPECT_EQ(panelFrame(usable, inputs), (Rect{1020, 53, 420, 770}));
    inputs.panelX = 0.0;
    inputs.panelY = 1.0;
    EXPECT_EQ(panelFrame(usable, inputs).x, 1020) << "the right edge ignores a remembered x";
    EXPECT_EQ(panelFrame(usable, inputs).y, 105);

    inputs.placement = PanelPlacement::remembered;
    EXPECT_EQ(panelFrame(usable, inputs), (Rect{0, 105, 420, 770}));
    inputs.placement = PanelPlacement::center;
    inputs.fullHeight = true;
    EXPECT_EQ(panelFrame(usable, inputs), (Rect{510, 0, 420, 875}));
    inputs.placement = PanelPlacement::pointer;
    inputs.fullHeight = false;
    inputs.pointerAnchor = {1435, 500};
    EXPECT_EQ(panelFrame(usable, inputs), (Rect{1020, 0, 420, 770}));

    // A drag during this opening wins over the placement rule.
    inputs.draggedPosition = Fractions{0, 1};
    EXPECT_EQ(panelFrame(usable, inputs), (Rect{0, 105, 420, 770}));
}

TEST(PanelRulesTest, ADragSnapsToNearEdgesAndKeepsWhatThePlacementKeeps) {
    const auto dragged = [](double x, double y, PanelPlacement placement, bool fullHeight,
                            Rect area = usable) {
        return settleDrag(Rect{x, y, 420, 770}, area, placement, fullHeight);
    };
    EXPECT_EQ(dragged(20, 50, PanelPlacement::remembered, false).panelX, 0.0);
    EXPECT_DOUBLE_EQ(*dragged(30, 50, PanelPlacement::remembered, false).panelX, 30.0 / 1020);
    EXPECT_EQ(dragged(1000, 95, PanelPlacement::remembered, false).panelX, 1.0);
    EXPECT_EQ(dragged(1000, 95, PanelPlacement::remembered, false).panelY, 1.0);
    EXPECT_EQ(dragged(0, 50, PanelPlacement::remembered, false, Rect{0, 0, 400, 875}).panelX, 0.5);

    const SettledDrag expandedRemembered = dragged(30, 0, PanelPlacement::remembered, true);
    EXPECT_TRUE(expandedRemembered.panelX && !expandedRemembered.panelY);
    const SettledDrag rightEdge = dragged(300, 50, PanelPlacement::rightEdge, false);
    EXPECT_TRUE(!rightEdge.panelX && rightEdge.panelY && !rightEdge.draggedPosition);
    const SettledDrag expandedRightEdge = dragged(300, 0, PanelPlacement::rightEdge, true);
    EXPECT_TRUE(!expandedRightEdge.panelX && !expandedRightEdge.panelY && !expandedRightEdge.draggedPosition);
    for (const auto placement : {PanelPlacement::center, PanelPlacement::pointer}) {
        const SettledDrag settled = dragged(20, 50, placement, false);
        EXPECT_TRUE(!settled.panelX && !settled.panelY);
        EXPECT_EQ(settled.draggedPosition, (Fractions{0, 50.0 / 105}));
    }
}

TEST(PanelRulesTest, QtRectanglesMeetTheBottomLeftConventionOnce) {
    // A 900-point primary screen: its top 25-point bar leaves the usable area above.
    const ScreenCoordinates convert{900};
    EXPECT_EQ(convert.toGeometry(QRect(0, 25, 1440, 875)), usable);
    EXPECT_EQ(convert.toQt(Rect{1020, 53, 420, 770}), QRect(1020, 77, 420, 770));
    EXPECT_EQ(convert.toGeometry(QPoint(100, 0)), (Point{100, 900}));
    // A second screen above the primary one has negative Qt coordinates.
    EXPECT_EQ(convert.toQt(convert.toGeometry(QRect(200, -1080, 420, 700))), QRect(200, -1080, 420, 700));
}

TEST(PanelRulesTest, KeysTheListTakesAndThoseItLeavesToTheSearchField) {
    using Command = PanelKey::Command;
    const auto command = [](int key, Qt::KeyboardModifiers modifiers, std::size_t rows = 2,
                            bool composing = false) {
        return panelKey(key, modifiers, composing, rows).command;
    };
    EXPECT_EQ(panelKey(Qt::Key_1, Qt::ControlModifier, false, 2).row, 1u);
    EXPECT_EQ(panelKey(Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier, false, 2).row, 0u);
    EXPECT_EQ(command(Qt::Key_3, Qt::ControlModifier), Command::none);
    EXPECT_EQ(command(Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier), Command::none);
    EXPECT_EQ(command(Qt::Key_1, Qt::NoModifier), Command::none);
    EXPECT_EQ(command(Qt::Key_Return, Qt::NoModifier, 0), Command::pasteSelection);
    EXPECT_EQ(command(Qt::Key_Enter, Qt::KeypadModifier), Command::pasteSelection);
    EXPECT_EQ(command(Qt::Key_Return, Qt::AltModifier), Command::copySelection);
    EXPECT_EQ(command(Qt::Key_Escape, Qt::NoModifier), Command::hide);
    EXPECT_EQ(command(Qt::Key_Up, Qt::NoModifier), Command::moveUp);
    EXPECT_EQ(command(Qt::Key_Down, Qt::NoModifier), Command::moveDown);
    EXPECT_EQ(command(Qt::Key_A, Qt::NoModifier), Command::none);
    EXPECT_EQ(command(Qt::Key_Return, Qt::NoModifier, 2, true), Command::none)
        << "an input method is composing";
}

TEST(PanelRulesTest, FocusOnThePanelsOwnMenusKeepsItOpen) {
    QWindow panel;
    QWindow menu;
    menu.setTransientParent(&panel);
    QWindow submenu;
    submenu.setTransientParent(&menu);
    QWindow elsewhere;
    EXPECT_FALSE(focusLeftPanel(&panel, &panel));
    EXPECT_FALSE(focusLeftPanel(&submenu, &panel));
    EXPECT_TRUE(focusLeftPanel(&elsewhere, &panel));
    EXPECT_TRUE(focusLeftPanel(nullptr, &panel));
}

} // namespace
