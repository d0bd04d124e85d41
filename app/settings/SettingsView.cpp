#include "app/settings/SettingsView.h"

#include "app/settings/GeneralSettings.h"
#include "app/settings/StorageSettings.h"
#include "app/system/icons/SymbolIcon.h"

#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace snipstack {
namespace {

QScrollArea* scrolling(QWidget* content) {
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The tab's background shows through, not the scroll area's base colour.
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    return area;
}

} // namespace

SettingsView::SettingsView(AppModel& model, QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Snipstack Settings"));
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("settingsTabs"));
    tabs->setDocumentMode(true);
    tabs->addTab(scrolling(new GeneralSettings(model)), symbolIcon("gearshape"), QStringLiteral("General"));
    tabs->addTab(scrolling(new StorageSettings(model)), symbolIcon("lock.shield"),
                 QStringLiteral("Storage && Security"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->addWidget(tabs);
}

} // namespace snipstack
