#include "app/settings/AboutView.h"

#include "app/model/ProductInfo.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

TEST(AboutViewTest, ShowsTheVersionAndBuildAndLinksToTheWebSite) {
    AboutView view;
    const QString build =
        *product::buildVersion ? QString::fromUtf8(product::buildVersion) : QStringLiteral("–");
    EXPECT_EQ(view.findChild<QLabel*>("version")->text(),
              QStringLiteral("Version %1 (%2)").arg(QString::fromUtf8(product::version), build));
    auto* link = view.findChild<QLabel*>("website");
    EXPECT_TRUE(link->text().contains(QStringLiteral("href=\"%1\"").arg(product::websiteURL)));
    EXPECT_TRUE(link->openExternalLinks());
}

} // namespace
} // namespace snipstack
