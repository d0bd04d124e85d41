#include "app/panel/PanelView.h"

#include "app/panel/ShieldCard.h"
#include "app/panel/StateMessage.h"

#include <QVBoxLayout>

namespace snipstack {

PanelView::PanelView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), header_(new PanelHeader(model)), search_(new SearchField(model)),
      stack_(new QStackedWidget), shield_(new ShieldCard), locked_(new LockedState(model)),
      empty_(new StateMessage("doc.on.clipboard", QStringLiteral("Nothing copied yet"))),
      noMatches_(new StateMessage("magnifyingglass", QStringLiteral("No matches"))),
      list_(new ItemListView(model)), footer_(new PanelFooter(model)) {
    for (QWidget* page :
         {shield_, static_cast<QWidget*>(locked_), empty_, noMatches_, static_cast<QWidget*>(list_)}) {
        stack_->addWidget(page);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header_);
    auto* searchRow = new QVBoxLayout;
    searchRow->setContentsMargins(12, 6, 12, 8);
    searchRow->addWidget(search_);
    layout->addLayout(searchRow);
    layout->addWidget(stack_, 1);
    layout->addWidget(footer_);

    connect(header_, &PanelHeader::settingsRequested, this, &PanelView::settingsRequested);
    connect(header_, &PanelHeader::closeRequested, this, &PanelView::closeRequested);
    connect(header_, &PanelHeader::heightToggled, this, &PanelView::heightToggled);
    for (const auto signal : {&AppModel::itemsChanged, &AppModel::visibleItemsChanged,
                              &AppModel::isLockedChanged, &AppModel::shieldActiveChanged}) {
        connect(&model_, signal, this, &PanelView::refresh);
    }
    refresh();
}

void PanelView::refresh() {
    if (model_.shieldActive()) {
        body_ = Body::shield;
    } else if (model_.isLocked()) {
        body_ = Body::locked;
    } else if (model_.items().empty()) {
        body_ = Body::empty;
    } else if (model_.visibleItems().empty()) {
        body_ = Body::noMatches;
    } else {
        body_ = Body::list;
    }
    QWidget* const pages[] = {shield_, locked_, empty_, noMatches_, list_};
    stack_->setCurrentWidget(pages[int(body_)]);
    search_->setVisible(body_ != Body::shield && body_ != Body::locked);
}

} // namespace snipstack
