#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace snipstack {

// One group of a settings form: an optional heading, a rounded box of rows separated by hairlines
// (each a label, an optional caption under it, and its control at the right edge), and an optional
// footer of explanation under the box.
class FormSection : public QWidget {
    Q_OBJECT

public:
    explicit FormSection(const QString& title = {}, QWidget* parent = nullptr);

    // A labelled row; the row itself is answered so that it can be hidden.
    QWidget* addRow(const QString& label, QWidget* control, const QString& caption = {});
    // A row that lays out its own content.
    QWidget* addRow(QLayout* content);
    // The explanation under the box, made on first use.
    QLabel* footer();

    // Secondary text (captions, footers): smaller and in the placeholder colour.
    static QLabel* secondaryLabel(const QString& text, QWidget* parent = nullptr);

private:
    class Box;

    Box* box_;
    QVBoxLayout* rows_;
    QLabel* footer_ = nullptr;
};

} // namespace snipstack
