#include "app/system/preferences/Preferences.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

using namespace snipstack;

namespace {

class PreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    QString path = directory.filePath("Snipstack.conf");

    void store(const QVariantMap& values) {
        QSettings settings(path, QSettings::IniFormat);
        // An invalid value is written as "@Invalid()", which reads back as absent.
        for (const auto& [key, value] : values.asKeyValueRange()) {
            settings.setValue(key, value);
        }
    }
    QVariant storedValue(const QString& key) { return QSettings(path, QSettings::IniFormat).value(key); }
    std::unique_ptr<Preferences> load() { return std::make_unique<Preferences>(path); }

    static void expectDefaults(const Preferences& p) {
        EXPECT_EQ(p.maxItems(), 500);
        EXPECT_TRUE(p.persistent());
        EXPECT_FALSE(p.storageChosen());
        EXPECT_EQ(p.theme(), ThemeChoice::system);
        EXPECT_EQ(p.penColor(), QColor(0xFF, 0x3B, 0x30));
        EXPECT_EQ(p.cipher(), Cipher::aes256GCM);
        EXPECT_EQ(p.hotKey(), HotKey::standard());
        EXPECT_EQ(p.hotKey().display(), "Shift+Super+V");
        EXPECT_EQ(p.panelPlacement(), PanelPlacement::rightEdge);
        EXPECT_EQ(p.panelX(), std::nullopt);
        EXPECT_EQ(p.panelY(), std::nullopt);
        EXPECT_EQ(p.storageBookmark(), std::nullopt);
        EXPECT_EQ(p.action(ClickKind::plain), ItemAction::paste);
    }
};

TEST_F(PreferencesTest, FreshUnrecognisedAndCorruptFilesLoadDefaults) {
    expectDefaults(*load());
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).allKeys(),
              (QStringList{"firstLaunchDate", "opensFullHeightMigrated", "panelExpanded"}));
    EXPECT_TRUE(storedValue("firstLaunchDate").toDateTime().isValid());
    for (const char* text :
         {"[General]\ntheme=purple\ncipher=rot13\npersistent=banana\n"
          "storageChosen=1\npanelY=1, 2\nstorageBookmark=/home/a\npenColor=#zz0000\n"
          "hotKey=@ByteArray({\"keyCode\":-2})\n",
          "[General\nmaxItems=@Variant(\\0\\0\\0\\x7f\\xff)\n\xff\xfe garbage=\"\nclickActions=@ByteArray(\n"
          "hotKey=@Variant(\\0\\0\\0\nhotKey=\n[=]\n"}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) > 0);
        file.close();
        expectDefaults(*load());
    }
}

TEST_F(PreferencesTest, ClampsIntegersAndIgnoresNonIntegers) {
    const std::tuple<const char*, QVariant, int> cases[] = {
        {"maxItems", 0, 1},
        {"maxItems", "99999999999", 5000},
        {"rotationDays", 400, 365},
        {"expiryDays", -5, 0},
        {"expiryHours", 30, 23},
        {"expiryHours", true, 0},
        // Beyond 64 bits, or with a fraction, still a number: cut to a whole one, then clamped.
        {"maxItems", "99999999999999999999", 5000},
        {"maxItems", "-1e30", 1},
        {"expiryHours", "12.9", 12},
        {"expiryDays", 7.5, 7},
        {"rotationDays", "nan", 30},
    };
    for (const auto& [key, stored, expected] : cases) {
        store({{key, stored}});
        EXPECT_EQ(load()->property(key).toInt(), expected) << key << " " << stored.toString().toStdString();
    }
}

TEST_F(PreferencesTest, WrittenValuesSurviveARestart) {
    const QVariantMap values{{"maxItems", 100},
                             {"panelX", QVariant::fromValue(std::optional(120.5))},
                             {"penColor", QColor(10, 20, 30, 40)},
                             {"cipher", QVariant::fromValue(Cipher::chaCha20Poly1305)},
                             {"hotKey", QVariant::fromValue(HotKey{0, HotKey::option | HotKey::shift, "A"})}};
    {
        const auto p = load();
        int notices = 0;
        QObject::connect(p.get(), &Preferences::maxItemsChanged, [&] { ++notices; });
        for (const auto& [key, value] : values.asKeyValueRange()) {
            EXPECT_TRUE(p->setProperty(key.toUtf8(), value)) << key.toStdString();
        }
        p->setMaxItems(100);
        EXPECT_EQ(notices, 1);
    }
    EXPECT_EQ(storedValue("penColor"), "#280a141e");
    const auto p = load();
    for (const auto& [key, value] : values.asKeyValueRange()) {
        EXPECT_EQ(p->property(key.toUtf8()), value) << key.toStdString();
    }
    p->setPenColor(QColor());
    EXPECT_EQ(p->penColor(), Preferences::defaultPenColor);
    EXPECT_FALSE(storedValue("penColor").isValid());
}

TEST_F(PreferencesTest, PlacementMigration) {
    const QVariant absent;
    const std::tuple<QVariant, QVariant, QVariant, PanelPlacement> cases[] = {
        {"remembered", absent, absent, PanelPlacement::rightEdge},
        {"remembered", 120, absent, PanelPlacement::remembered},
        {"remembered", 120, true, PanelPlacement::rightEdge},
        {"remembered", "not a number", false, PanelPlacement::remembered},
        {absent, 120, absent, PanelPlacement::remembered},
        {"sideways", absent, absent, PanelPlacement::rightEdge},
        {"center", 120, absent, PanelPlacement::center},
    };
    for (const auto& [placement, panelX, stickRight, expected] : cases) {
        QFile::remove(path);
        store({{"panelPlacement", placement}, {"panelX", panelX}, {"panelStickRight", stickRight}});
        EXPECT_EQ(load()->panelPlacement(), expected)
            << placement.toString().toStdString() << " " << panelX.toString().toStdString();
    }
}

TEST_F(PreferencesTest, FullHeightMigrationRunsOnceAndKeepsTheFirstLaunchDate) {
    const QDateTime first(QDate(2024, 1, 2), QTime(3, 4), Qt::UTC);
    store({{"panelExpanded", false}, {"firstLaunchDate", first}});
    EXPECT_TRUE(load()->panelExpanded());
    load()->setPanelExpanded(false);
    EXPECT_FALSE(load()->panelExpanded());
    EXPECT_EQ(storedValue("firstLaunchDate").toDateTime(), first);
}

TEST_F(PreferencesTest, AStoredShortcutIsKeptWhenItWasTheEarlierDefault) {
    const QByteArray superD = R"({"keyCode":2,"modifiers":1048576,"key":"D"})";
    store({{"hotKey", superD}});
    EXPECT_EQ(load()->hotKey(), (HotKey{2, HotKey::command, "D"}));
    EXPECT_EQ(storedValue("hotKey"), superD);
}

TEST_F(PreferencesTest, ClickActionsFallBackPerKindAndWholeMapWhenMalformed) {
    store({{"clickActions", QVariantMap{{"command", "pin"}, {"shift", "explode"}}}});
    auto p = load();
    EXPECT_EQ(p->action(ClickKind::command), ItemAction::pin);
    EXPECT_EQ(p->action(ClickKind::shift), ItemAction::nothing);

    p->setAction(ItemAction::paste, ClickKind::plain);
    p->setAction(ItemAction::remove, ClickKind::shift);
    EXPECT_EQ(load()->clickActions(),
              (QVariantMap{{"command", "pin"}, {"plain", "paste"}, {"shift", "delete"}}));

    store({{"clickActions", QVariantMap{{"command", "pin"}, {"shift", 3}}}});
    EXPECT_EQ(load()->action(ClickKind::command), ItemAction::edit);
    store({{"clickActions", QStringList{"pin"}}});
    EXPECT_TRUE(load()->clickActions().isEmpty());
}

} // namespace
