#include "app/shell/MessageAlerts.h"

#include "app/system/desktop/WindowManager.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

namespace snipstack {

namespace {

// A button that destroys data reads as such: red text, as desktop themes draw destructive actions.
void markDestructive(QPushButton* button) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, QColor(0xd7, 0x00, 0x15));
    button->setPalette(palette);
}

} // namespace

int MessageAlerts::run(const Alert& alert) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Snipstack"));
    box.setIcon(alert.style == Alert::Style::warning ? QMessageBox::Warning : QMessageBox::Information);
    box.setText(alert.title);
    box.setInformativeText(alert.informativeText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);

    const QStringList titles = alert.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttons;
    std::vector<QPushButton*> buttons;
    for (qsizetype index = 0; index < titles.size(); ++index) {
        const bool destructive = alert.destructiveButton == index;
        const bool cancel = titles[index] == QLatin1String("Cancel");
        const QMessageBox::ButtonRole role = cancel        ? QMessageBox::RejectRole
                                             : destructive ? QMessageBox::DestructiveRole
                                             : index == 0  ? QMessageBox::AcceptRole
                                                           : QMessageBox::ActionRole;
        QPushButton* button = box.addButton(titles[index], role);
        if (destructive) {
            markDestructive(button);
        }
        buttons.push_back(button);
    }
    box.setDefaultButton(buttons.front());
    if (const qsizetype cancel = titles.indexOf(QStringLiteral("Cancel")); cancel >= 0) {
        box.setEscapeButton(buttons[std::size_t(cancel)]);
    }

    // Brought forward through the window manager once mapped: the user may be in another program.
    QTimer::singleShot(0, &box, [&box] { windowManager::activate(box.winId()); });
    box.exec();

    for (std::size_t index = 0; index < buttons.size(); ++index) {
        if (box.clickedButton() == buttons[index]) {
            return int(index);
        }
    }
    // Closed without a button: the cancelling choice, else the last one.
    const qsizetype cancel = titles.indexOf(QStringLiteral("Cancel"));
    return int(cancel >= 0 ? cancel : titles.size() - 1);
}

} // namespace snipstack
