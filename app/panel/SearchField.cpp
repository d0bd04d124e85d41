#include "app/panel/SearchField.h"

#include "app/system/icons/SymbolIcon.h"

#include <QInputMethodEvent>

namespace snipstack {

SearchField::SearchField(AppModel& model, QWidget* parent) : QLineEdit(parent), model_(model) {
    setPlaceholderText(QStringLiteral("Search for something"));
    setClearButtonEnabled(true);
    addAction(tintedSymbol("magnifyingglass", palette().color(QPalette::PlaceholderText)), LeadingPosition);
    setText(model_.query());
    connect(this, &QLineEdit::textChanged, &model_, &AppModel::setQuery);
    connect(&model_, &AppModel::queryChanged, this, [this] {
        if (text() != model_.query()) {
            setText(model_.query());
        }
    });
    connect(&model_, &AppModel::focusTokenChanged, this, [this] {
        setFocus(Qt::OtherFocusReason);
        selectAll();
    });
}

void SearchField::inputMethodEvent(QInputMethodEvent* event) {
    composing_ = !event->preeditString().isEmpty();
    QLineEdit::inputMethodEvent(event);
}

} // namespace snipstack
