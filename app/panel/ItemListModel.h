#pragma once

#include "app/model/AppModel.h"

#include <QAbstractListModel>
#include <QString>
#include <unordered_map>

namespace snipstack {

// The entries the panel lists (the model's visible entries, in order) for a QListView. Rows are
// read from the model on demand, so a long history costs only the rows drawn.
class ItemListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        SelectedRole = Qt::UserRole + 1,
        RowTextRole,
        DetailsRole,
    };

    explicit ItemListModel(AppModel& model, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const ClipItem& item(int row) const { return model_.visibleItems()[std::size_t(row)]; }
    // The row of the selected entry, or -1.
    int selectedRow() const;
    // The row of the entry, or -1 when it is not listed.
    int row(const Uuid& id) const;

signals:
    // The selection moved to this row (-1: none).
    void selectedRowChanged(int row);

private:
    void reset();
    void selectionChanged();

    AppModel& model_;
    std::optional<Uuid> shownSelection_;
    // Row texts and details lines, made once per entry: the text of an entry never changes, and
    // its details only when it is used again.
    struct Texts {
        Date lastUsedAt;
        QString rowText;
        QString details;
    };
    const Texts& texts(const ClipItem& item) const;
    mutable std::unordered_map<Uuid, Texts> texts_;
};

} // namespace snipstack
