#pragma once

#include "app/model/AppModel.h"
#include "app/panel/ItemListView.h"
#include "app/panel/LockedState.h"
#include "app/panel/PanelFooter.h"
#include "app/panel/PanelHeader.h"
#include "app/panel/SearchField.h"

#include <QStackedWidget>
#include <QWidget>

namespace snipstack {

// The panel's content: header, search field, the body's state and the key hints. It reads the model
// and sends every action back to it.
class PanelView : public QWidget {
    Q_OBJECT

public:
    // What the body shows, the first that applies.
    enum class Body { shield, locked, empty, noMatches, list };

    explicit PanelView(AppModel& model, QWidget* parent = nullptr);

    Body body() const { return body_; }
    PanelHeader& header() { return *header_; }
    SearchField& searchField() { return *search_; }
    ItemListView& list() { return *list_; }
    LockedState& lockedState() { return *locked_; }
    PanelFooter& footer() { return *footer_; }

signals:
    void settingsRequested();
    void closeRequested();
    void heightToggled();

private:
    void refresh();

    AppModel& model_;
    PanelHeader* header_;
    SearchField* search_;
    QStackedWidget* stack_;
    QWidget* shield_;
    LockedState* locked_;
    QWidget* empty_;
    QWidget* noMatches_;
    ItemListView* list_;
    PanelFooter* footer_;
    Body body_ = Body::list;
};

} // namespace snipstack
