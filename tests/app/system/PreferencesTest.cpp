#include "app/system/Preferences.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace snipstack;

namespace {

class PreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    QString path = directory.filePath("Snipstack.conf");

    // Writes `values` as another run of the program would have left them.
    void store(const QVariantMap& values) {
        QSettings settings(path, QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it.value().isValid()) {
                settings.setValue(it.key(), it.value());
            }
        }
    }
    QVariant storedValue(const QString& key) { return QSettings(path, QSettings::IniFormat).value(key); }
    std::unique_ptr<Preferences> load() { return std::make_unique<Preferences>(path); }
};

TEST_F(PreferencesTest, FreshUserGetsDefaultsAndRecordsOnlyMigrationAndLaunchDate) {
    const auto p = load();
    EXPECT_EQ(p->maxItems(), 500);
    EXPECT_TRUE(p->persistent());
    EXPECT_EQ(p->rotationDays(), 30);
    EXPECT_FALSE(p->expiryEnabled());
    EXPECT_EQ(p->expiryDays(), 30);
    EXPECT_EQ(p->expiryHours(), 0);
    EXPECT_EQ(p->panelPlacement(), PanelPlacement::rightEdge);
    EXPECT_EQ(p->theme(), ThemeChoice::system);
    EXPECT_EQ(p->look(), WindowLook::translucent);
    EXPECT_EQ(p->penThickness(), PenThickness::medium);
    EXPECT_EQ(p->penColor(), QColor(0xFF, 0x3B, 0x30));
    EXPECT_EQ(p->highlightColor(), QColor(0xFF, 0xCC, 0x00));
    EXPECT_EQ(p->cipher(), Cipher::aes256GCM);
    EXPECT_EQ(p->hotKey().display(), "Super+D");
    EXPECT_EQ(p->panelX(), std::nullopt);
    EXPECT_EQ(p->storageBookmark(), std::nullopt);
    QSettings settings(path, QSettings::IniFormat);
    EXPECT_EQ(settings.allKeys(),
              (QStringList{"firstLaunchDate", "opensFullHeightMigrated", "panelExpanded"}));
    EXPECT_TRUE(settings.value("firstLaunchDate").toDateTime().isValid());
}

TEST_F(PreferencesTest, ClampsIntegersAndIgnoresNonIntegers) {
    const struct {
        const char* key;
        QVariant stored;
        int (Preferences::*read)() const;
        int expected;
    } cases[] = {
        {"maxItems", 0, &Preferences::maxItems, 1},
        {"maxItems", 9000, &Preferences::maxItems, 5000},
        {"maxItems", "99999999999", &Preferences::maxItems, 5000},
        {"maxItems", "12.5", &Preferences::maxItems, 500},
        {"maxItems", 42, &Preferences::maxItems, 42},
        {"rotationDays", 400, &Preferences::rotationDays, 365},
        {"rotationDays", 0, &Preferences::rotationDays, 1},
        {"expiryDays", -5, &Preferences::expiryDays, 0},
        {"expiryDays", 4000, &Preferences::expiryDays, 3650},
        {"expiryHours", 30, &Preferences::expiryHours, 23},
        {"expiryHours", -1, &Preferences::expiryHours, 0},
        {"expiryHours", true, &Preferences::expiryHours, 0},
    };
    for (const auto& c : cases) {
        store({{c.key, c.stored}});
        EXPECT_EQ((*load().*c.read)(), c.expected) << c.key << " " << c.stored.toString().toStdString();
    }
}

TEST_F(PreferencesTest, UnrecognisedValuesFallBackToDefaults) {
    store({{"theme", "purple"},
           {"look", "frosted"},
           {"penThickness", "huge"},
           {"cipher", "rot13"},
           {"persistent", "banana"},
           {"storageChosen", 1},
           {"panelX", "left"},
           {"panelY", QVariantList{1.0}},
           {"storageBookmark", "/home/a"},
           {"penColor", "#zz0000"},
           {"highlightColor", 0xFF0000},
           {"hotKey", QByteArray(R"({"keyCode":-2})")}});
    const auto p = load();
    EXPECT_EQ(p->theme(), ThemeChoice::system);
    EXPECT_EQ(p->look(), WindowLook::translucent);
    EXPECT_EQ(p->penThickness(), PenThickness::medium);
    EXPECT_EQ(p->cipher(), Cipher::aes256GCM);
    EXPECT_TRUE(p->persistent());
    EXPECT_FALSE(p->storageChosen());
    EXPECT_EQ(p->panelX(), std::nullopt);
    EXPECT_EQ(p->panelY(), std::nullopt);
    EXPECT_EQ(p->storageBookmark(), std::nullopt);
    EXPECT_EQ(p->penColor(), Preferences::defaultPenColor);
    EXPECT_EQ(p->highlightColor(), Preferences::defaultHighlightColor);
    EXPECT_EQ(p->hotKey(), HotKey::standard());
}

TEST_F(PreferencesTest, CorruptFileLoadsDefaults) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[General\nmaxItems=@Variant(\\0\\0\\0\\x7f\\xff)\n\xff\xfe\0garbage=\"\nclickActions=@ByteArray(\n"
        "hotKey=@Variant(\\0\\0\\0\nhotKey=\n[=]\n");
    file.close();
    const auto p = load();
    EXPECT_EQ(p->maxItems(), 500);
    EXPECT_EQ(p->hotKey(), HotKey::standard());
    EXPECT_EQ(p->action(ClickKind::plain), ItemAction::paste);
}

TEST_F(PreferencesTest, WrittenValuesSurviveARestart) {
    const HotKey hotKey{0, HotKey::option | HotKey::shift, "A"};
    {
        const auto p = load();
        int notices = 0;
        QObject::connect(p.get(), &Preferences::maxItemsChanged, [&] { ++notices; });
        p->setMaxItems(100);
        p->setMaxItems(100);
        EXPECT_EQ(notices, 1);
        p->setPersistent(false);
        p->setPanelX(120.5);
        p->setPanelY(-40);
        p->setStorageBookmark(QByteArray("/home/a/Clips"));
        p->setLook(WindowLook::glass);
        p->setExpiryHours(5);
        p->setPenThickness(PenThickness::marker);
        p->setPenColor(QColor(10, 20, 30, 40));
        p->setPanelPlacement(PanelPlacement::pointer);
        p->setCipher(Cipher::chaCha20Poly1305);
        p->setTheme(ThemeChoice::dark);
        p->setHotKey(hotKey);
    }
    EXPECT_EQ(storedValue("penColor"), "#280a141e");
    const auto p = load();
    EXPECT_EQ(p->maxItems(), 100);
    EXPECT_FALSE(p->persistent());
    EXPECT_EQ(p->panelX(), 120.5);
    EXPECT_EQ(p->panelY(), -40);
    EXPECT_EQ(p->storageBookmark(), QByteArray("/home/a/Clips"));
    EXPECT_EQ(p->look(), WindowLook::glass);
    EXPECT_EQ(p->expiryHours(), 5);
    EXPECT_EQ(p->penThickness(), PenThickness::marker);
    EXPECT_EQ(p->penColor(), QColor(10, 20, 30, 40));
    EXPECT_EQ(p->panelPlacement(), PanelPlacement::pointer);
    EXPECT_EQ(p->cipher(), Cipher::chaCha20Poly1305);
    EXPECT_EQ(p->theme(), ThemeChoice::dark);
    EXPECT_EQ(p->hotKey(), hotKey);

    p->setPanelX(std::nullopt);
    p->setStorageBookmark(std::nullopt);
    p->setPenColor(QColor());
    EXPECT_EQ(p->penColor(), Preferences::defaultPenColor);
    for (const char* key : {"panelX", "storageBookmark", "penColor"}) {
        EXPECT_FALSE(storedValue(key).isValid()) << key;
    }
}

TEST_F(PreferencesTest, PlacementMigration) {
    const QVariant absent;
    const struct {
        QVariant placement, panelX, stickRight;
        PanelPlacement expected;
    } cases[] = {
        {"remembered", absent, absent, PanelPlacement::rightEdge},
        {"remembered", 120, absent, PanelPlacement::remembered},
        {"remembered", 120, true, PanelPlacement::rightEdge},
        {"remembered", "not a number", false, PanelPlacement::remembered},
        {absent, 120, absent, PanelPlacement::remembered},
        {"sideways", absent, absent, PanelPlacement::rightEdge},
        {"center", absent, absent, PanelPlacement::center},
        {"center", 120, absent, PanelPlacement::center},
        {"pointer", 120, false, PanelPlacement::pointer},
    };
    for (const auto& c : cases) {
        QFile::remove(path);
        store({{"panelPlacement", c.placement}, {"panelX", c.panelX}, {"panelStickRight", c.stickRight}});
        EXPECT_EQ(load()->panelPlacement(), c.expected)
            << c.placement.toString().toStdString() << " " << c.panelX.toString().toStdString();
    }
}

TEST_F(PreferencesTest, FullHeightMigrationRunsOnce) {
    store({{"panelExpanded", false}});
    EXPECT_TRUE(load()->panelExpanded());
    load()->setPanelExpanded(false);
    EXPECT_FALSE(load()->panelExpanded());
    EXPECT_EQ(storedValue("opensFullHeightMigrated"), "true");
}

TEST_F(PreferencesTest, FirstLaunchDateIsNeverReplaced) {
    const QDateTime first(QDate(2024, 1, 2), QTime(3, 4), Qt::UTC);
    store({{"firstLaunchDate", first}});
    load();
    EXPECT_EQ(storedValue("firstLaunchDate").toDateTime(), first);
}

TEST_F(PreferencesTest, ClickActionsFallBackPerKindAndWholeMapWhenMalformed) {
    store({{"clickActions", QVariantMap{{"command", "pin"}, {"shift", "explode"}}}});
    auto p = load();
    EXPECT_EQ(p->action(ClickKind::plain), ItemAction::paste);
    EXPECT_EQ(p->action(ClickKind::command), ItemAction::pin);
    EXPECT_EQ(p->action(ClickKind::option), ItemAction::moveToTop);
    EXPECT_EQ(p->action(ClickKind::shift), ItemAction::nothing);

    p->setAction(ItemAction::paste, ClickKind::plain);
    p->setAction(ItemAction::remove, ClickKind::shift);
    p = load();
    EXPECT_EQ(p->clickActions(), (QVariantMap{{"command", "pin"}, {"plain", "paste"}, {"shift", "delete"}}));

    store({{"clickActions", QVariantMap{{"command", "pin"}, {"shift", 3}}}});
    EXPECT_EQ(load()->action(ClickKind::command), ItemAction::edit);
    store({{"clickActions", QStringList{"pin"}}});
    EXPECT_TRUE(load()->clickActions().isEmpty());
}

} // namespace
