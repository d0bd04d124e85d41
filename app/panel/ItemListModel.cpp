#include "app/panel/ItemListModel.h"

#include "app/panel/ItemText.h"

#include <algorithm>

namespace snipstack {

ItemListModel::ItemListModel(AppModel& model, QObject* parent) : QAbstractListModel(parent), model_(model) {
    shownSelection_ = model_.selectedID();
    connect(&model_, &AppModel::visibleItemsChanged, this, &ItemListModel::reset);
    connect(&model_, &AppModel::selectedIDChanged, this, &ItemListModel::selectionChanged);
}

int ItemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(model_.visibleItems().size());
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const ClipItem& entry = item(index.row());
    switch (role) {
    case SelectedRole:
        return model_.selectedID() == entry.id;
    case RowTextRole:
        return texts(entry).rowText;
    case DetailsRole:
        return texts(entry).details;
    default:
        return {};
    }
}

const ItemListModel::Texts& ItemListModel::texts(const ClipItem& item) const {
    auto found = texts_.find(item.id);
    if (found == texts_.end()) {
        found = texts_.emplace(item.id, Texts{{}, itemText::rowText(item), {}}).first;
        found->second.lastUsedAt = Date::distantPast();
    }
    if (found->second.lastUsedAt != item.lastUsedAt) {
        found->second.lastUsedAt = item.lastUsedAt;
        found->second.details = itemText::detailsLine(item, QLocale());
    }
    return found->second;
}

int ItemListModel::selectedRow() const {
    const auto selected = model_.selectedID();
    return selected ? row(*selected) : -1;
}

int ItemListModel::row(const Uuid& id) const {
    const auto& items = model_.visibleItems();
    const auto found = std::ranges::find(items, id, &ClipItem::id);
    return found == items.end() ? -1 : int(found - items.begin());
}

void ItemListModel::reset() {
    beginResetModel();
    // Deleted and expired entries leave texts behind; a history holds at most 5,000 entries.
    if (texts_.size() > 2 * model_.items().size() + 64) {
        texts_.clear();
    }
    shownSelection_ = model_.selectedID();
    endResetModel();
}

void ItemListModel::selectionChanged() {
    const auto& items = model_.visibleItems();
    const auto rowOf = [&](const std::optional<Uuid>& id) {
        const auto found = id ? std::ranges::find(items, *id, &ClipItem::id) : items.end();
        return found == items.end() ? -1 : int(found - items.begin());
    };
    const int previous = rowOf(shownSelection_);
    shownSelection_ = model_.selectedID();
    const int current = rowOf(shownSelection_);
    for (const int row : {previous, current}) {
        if (row >= 0) {
            emit dataChanged(index(row), index(row), {SelectedRole});
        }
    }
    emit selectedRowChanged(current);
}

} // namespace snipstack
