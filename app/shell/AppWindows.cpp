#include "app/shell/AppWindows.h"

#include "app/editors/ImageEditorView.h"
#include "app/editors/TextEditorView.h"
#include "app/model/AppModel.h"
#include "app/panel/PanelController.h"
#include "app/shell/LookWindow.h"
#include "app/shell/Palettes.h"
#include "app/shell/StatusItemController.h"
#include "app/shell/WindowContents.h"
#include "app/system/LogCategories.h"
#include "app/system/clipboard/PasteboardMonitor.h"
#include "app/system/desktop/WindowManager.h"
#include "app/system/richtext/FormattedText.h"
#include "core/values/Uuid.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>

namespace snipstack {

AppWindows::AppWindows() = default;

AppWindows::~AppWindows() {
    for (auto& [identifier, window] : windows_) {
        delete window.data();
    }
}

std::unique_ptr<StatusItem> AppWindows::makeStatusItem(AppModel& model) {
    model_ = &model;
    connect(&model.preferences(), &Preferences::themeChanged, this,
            [this] { applyTheme(model_->preferences().theme()); });
    connect(&model.preferences(), &Preferences::lookChanged, this, &AppWindows::applyLook);
    return std::make_unique<StatusItemController>(model, *this);
}

std::unique_ptr<PanelControl> AppWindows::makePanel(AppModel& model) {
    auto panel = std::make_unique<PanelController>(model);
    connect(panel.get(), &PanelController::settingsRequested, this, [this] { showWindow(settings); });
    return panel;
}

void AppWindows::applyTheme(ThemeChoice theme) {
    applyPalette(theme);
}

void AppWindows::applyLook() {
    for (auto& [identifier, window] : windows_) {
        if (auto* look = qobject_cast<LookWindow*>(window.data())) {
            look->refreshLook();
        }
    }
}

QWidget* AppWindows::window(const QString& identifier) const {
    const auto found = windows_.find(identifier);
    return found == windows_.end() ? nullptr : found->second.data();
}

bool AppWindows::isWindowVisible(const QString& identifier) const {
    const QWidget* shown = window(identifier);
    return shown && shown->isVisible();
}

void AppWindows::closeWindow(const QString& identifier) {
    if (QWidget* shown = window(identifier)) {
        shown->close();
    }
}

void AppWindows::showWindow(const QString& identifier) {
    QWidget* shown = window(identifier);
    if (!shown) {
        shown = makeWindow(identifier);
        if (!shown) {
            return;
        }
        windows_[identifier] = shown;
    }
    bringForward(shown);
}

QWidget* AppWindows::makeWindow(const QString& identifier) {
    if (!model_) {
        return nullptr;
    }
    WindowContent content = makeWindowContent(identifier, *model_, *this);
    if (!content.widget) {
        return nullptr;
    }
    QWidget* window = frameWindow(content);
    // Kept when closed, so that showing it again finds it as the user left it.
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    return window;
}

QWidget* AppWindows::frameWindow(const WindowContent& content) {
    auto* window = new LookWindow(content.widget);
    window->setWindowTitle(content.title);
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window);
    connect(close, &QShortcut::activated, window, &QWidget::close);
    if (content.size.isValid()) {
        window->resize(content.size);
    } else {
        window->adjustSize();
        // Wrapped texts need their height for the width they got, which a size hint cannot say.
        if (window->hasHeightForWidth()) {
            window->resize(window->width(), window->heightForWidth(window->width()));
        }
    }
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    return window;
}

void AppWindows::bringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
    // Window managers hold back a window that asks for focus by itself when the user is busy
    // elsewhere; a request on the user's behalf is granted.
    windowManager::activate(window->winId());
}

void AppWindows::openTextEditor(const ClipItem& item, const ClipPayload& payload) {
    const QString text = QString::fromStdString(PasteboardMonitor::plainText(payload).value_or(item.text));
    showTextEditor(QStringLiteral("edit-") + QString::fromStdString(item.id.string()),
                   new TextEditorState(text, formattedText(payload)));
}

void AppWindows::openTextEditor(const QString& text) {
    showTextEditor(QStringLiteral("edit-text-") + QString::fromStdString(Uuid::random().string()),
                   new TextEditorState(text, nullptr));
}

void AppWindows::showTextEditor(const QString& identifier, TextEditorState* state) {
    if (!model_) {
        qCWarning(desktopLog, "No editor opens before the model is running");
        delete state;
        return;
    }
    showEditor(identifier,
               {new TextEditorView(*model_, state), tr("Edit Text"), TextEditorView::contentSize});
}

void AppWindows::showEditor(const QString& identifier, const WindowContent& content) {
    // Replaced without closing: the new editor is the one that hands the focus back when it closes.
    delete window(identifier);
    // Editors are deleted when closed; their keys go with them.
    std::erase_if(windows_, [](const auto& entry) { return entry.second.isNull(); });
    QWidget* window = frameWindow(content);
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    windows_[identifier] = window;
    bringForward(window);
}

void AppWindows::openImageEditor(const ClipItem& item, const Bytes& image) {
    if (!model_) {
        qCWarning(desktopLog, "No editor opens before the model is running");
        return;
    }
    auto state = ImageEditorState::make(image, model_->preferences(), [model = model_](Bytes bytes) {
        return model->recognizeText(std::move(bytes));
    });
    if (!state) {
        return;
    }
    auto* view = new ImageEditorView(*model_, state.release());
    connect(view, &ImageEditorView::textEditorRequested, this,
            [this](const QString& text) { openTextEditor(text); });
    showEditor(QStringLiteral("edit-") + QString::fromStdString(item.id.string()),
               {view, tr("Edit Image"), ImageEditorView::contentSize});
}

} // namespace snipstack
