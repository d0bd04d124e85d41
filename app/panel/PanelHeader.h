#pragma once

#include "app/model/AppModel.h"
#include "app/panel/WindowDragHandle.h"

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>

namespace snipstack {

// The panel's title bar, which the panel is dragged by: name, rotation progress, count, and the
// viewer, settings, height and close buttons.
class PanelHeader : public WindowDragHandle {
    Q_OBJECT

public:
    explicit PanelHeader(AppModel& model, QWidget* parent = nullptr);

    const QLabel& countLabel() const { return *count_; }
    QToolButton& viewerButton() { return *viewer_; }
    QToolButton& heightButton() { return *height_; }

signals:
    void settingsRequested();
    void closeRequested();
    // The user changed the panel's height; the controller places it again.
    void heightToggled();

protected:
    void changeEvent(QEvent* event) override;

private:
    QToolButton* button(const QString& help);
    void refresh();

    AppModel& model_;
    QLabel* count_;
    QProgressBar* busy_;
    QLabel* rotating_;
    QToolButton* viewer_;
    QMenu* viewerMenu_;
    QToolButton* settings_;
    QToolButton* height_;
    QToolButton* close_;
};

} // namespace snipstack
