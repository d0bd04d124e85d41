#include "app/settings/AboutView.h"

#include "app/model/ProductInfo.h"
#include "app/system/icons/SymbolIcon.h"

#include <QLabel>
#include <QVBoxLayout>

namespace snipstack {
namespace {

QString orDash(const char* value) {
    return *value ? QString::fromUtf8(value) : QStringLiteral("–");
}

QLabel* centred(const QString& text) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

AboutView::AboutView(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("About Snipstack"));
    // The legal notice reads on one line.
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 28, 40, 24);
    layout->setSpacing(6);

    auto* icon = centred({});
    icon->setPixmap(applicationIcon().pixmap(80, 80));
    layout->addWidget(icon);
    layout->addSpacing(8);

    auto* name = centred(QStringLiteral("Snipstack"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
    nameFont.setBold(true);
    name->setFont(nameFont);
    layout->addWidget(name);

    auto* version = centred(QStringLiteral("Version ") + orDash(product::version) + QStringLiteral(" (") +
                            orDash(product::buildVersion) + QStringLiteral(")"));
    version->setObjectName(QStringLiteral("version"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(version);
    layout->addSpacing(8);

    const QString site = QString::fromUtf8(product::websiteURL);
    auto* link =
        centred(QStringLiteral("<a href=\"%1\">%2</a>").arg(site.toHtmlEscaped(), site.toHtmlEscaped()));
    link->setObjectName(QStringLiteral("website"));
    link->setTextFormat(Qt::RichText);
    // Opened with the desktop's browser through QDesktopServices.
    link->setOpenExternalLinks(true);
    layout->addWidget(link);
    layout->addSpacing(8);

    auto* notice = centred(QString::fromUtf8(product::legalNotice));
    notice->setForegroundRole(QPalette::PlaceholderText);
    QFont noticeFont = notice->font();
    noticeFont.setPointSizeF(noticeFont.pointSizeF() * 0.9);
    notice->setFont(noticeFont);
    layout->addWidget(notice);
}

} // namespace snipstack
