#include "app/system/preferences/Preferences.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QMetaProperty>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <tuple>
#include <utility>
#include <vector>

using namespace snipstack;

// Failures show stored values as Qt prints them.
static void PrintTo(const QVariant& value, std::ostream* out) {
    QString text;
    QDebug(&text) << value;
    *out << text.toStdString();
}

namespace {

// A value other than the default for every setting, in the form the released versions write it: the
// files users have hold these.
const QVariantMap released{
    {"maxItems", "120"},
    {"persistent", "false"},
    {"rotationEnabled", "false"},
    {"rotationDays", "7"},
    {"requireAuth", "true"},
    {"skipConcealed", "false"},
    {"hideFromScreenSharing", "false"},
    {"storageChosen", "true"},
    {"onboardingDone", "true"},
    {"panelX", "120.5"},
    {"panelY", "-40"},
    {"panelExpanded", "false"},
    {"opensFullHeightMigrated", "true"},
    {"storageBookmark", QByteArray("/home/a\0\xff", 9)},
    {"clickActions", QVariantMap{{"command", "pin"}, {"shift", "delete"}}},
    {"look", "glass"},
    {"openScreenshotsInEditor", "false"},
    {"expiryEnabled", "true"},
    {"expiryDays", "0"},
    {"expiryHours", "6"},
    {"penThickness", "marker"},
    {"penColor", "#280a141e"},
    {"highlightColor", "#ff00ff00"},
    {"panelPlacement", "pointer"},
    {"plainTextTiles", "true"},
    {"showMenuBarIcon", "false"},
    {"cipher", "chacha20-poly1305"},
    {"theme", "dark"},
    {"hotKey", QByteArray(R"({"key":"A","keyCode":0,"modifiers":655360})")},
};

template <typename Visit> void forEachSetting(const Preferences& preferences, Visit visit) {
    std::apply([&](const auto&... setting) { (visit(setting), ...); }, preferences.settings());
}

template <typename T> T valueOf(const Preferences& preferences, const Setting<T>& setting) {
    return preferences.property(setting.key).template value<T>();
}

// Values a damaged or hand-edited file may hold, and what each loads as.
template <typename T> std::vector<std::pair<QVariant, T>> corruptValues(const Setting<T>& setting) {
    std::vector<std::pair<QVariant, T>> values{{"\xff garbage", setting.fallback},
                                               {QVariantMap{{"plain", 1}}, setting.fallback}};
    if constexpr (std::same_as<T, int>) {
        values.emplace_back(qint64(setting.range.highest) + 1, setting.range.highest);
        values.emplace_back(qint64(setting.range.lowest) - 1, setting.range.lowest);
    }
    return values;
}

class PreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    QString path = directory.filePath("Snipstack.conf");

    void store(const QVariantMap& values, const QString& file) {
        QSettings settings(file, QSettings::IniFormat);
        // An invalid value is written as "@Invalid()", which reads back as absent.
        for (const auto& [key, value] : values.asKeyValueRange()) {
            settings.setValue(key, value);
        }
    }
    void store(const QVariantMap& values) { store(values, path); }
    QVariant storedValue(const QString& key) { return QSettings(path, QSettings::IniFormat).value(key); }
    std::unique_ptr<Preferences> load(const QString& file) { return std::make_unique<Preferences>(file); }
    std::unique_ptr<Preferences> load() { return load(path); }

    static void expectDefaults(const Preferences& p) {
        forEachSetting(
            p, [&](const auto& setting) { EXPECT_EQ(valueOf(p, setting), setting.fallback) << setting.key; });
    }
};

TEST_F(PreferencesTest, EverySettingKeepsItsStoredFormAndFallsBackFromCorruptValues) {
    const QString releasedPath = directory.filePath("Released.conf");
    store(released, releasedPath);
    const auto fromRelease = load(releasedPath);
    const QMetaObject& meta = Preferences::staticMetaObject;
    int entries = 0;
    forEachSetting(*fromRelease, [&]<typename T>(const Setting<T>& setting) {
        SCOPED_TRACE(setting.key);
        ++entries;
        EXPECT_EQ(meta.property(meta.indexOfProperty(setting.key)).notifySignal(),
                  QMetaMethod::fromSignal(setting.changed));
        const T value = valueOf(*fromRelease, setting);
        EXPECT_NE(value, setting.fallback);

        QFile::remove(path);
        {
            const auto p = load();
            EXPECT_EQ(valueOf(*p, setting), setting.fallback);
            int notices = 0;
            QObject::connect(p.get(), setting.changed, [&] { ++notices; });
            EXPECT_TRUE(p->setProperty(setting.key, QVariant::fromValue(value)));
            EXPECT_TRUE(p->setProperty(setting.key, QVariant::fromValue(value)));
            EXPECT_EQ(notices, 1);
        }
        EXPECT_EQ(storedValue(setting.key), released.value(setting.key));
        EXPECT_EQ(valueOf(*load(), setting), value);

        if constexpr (isOptional<T> || std::same_as<T, QColor>) {
            load()->setProperty(setting.key, QVariant::fromValue(T()));
            EXPECT_FALSE(storedValue(setting.key).isValid());
            EXPECT_EQ(valueOf(*load(), setting), setting.fallback);
        }
        for (const auto& [stored, expected] : corruptValues(setting)) {
            store({{setting.key, stored}});
            EXPECT_EQ(valueOf(*load(), setting), expected) << stored.toString().toStdString();
        }
    });
    EXPECT_EQ(entries, meta.propertyCount() - meta.propertyOffset());
}

TEST_F(PreferencesTest, FreshAndUnparseableFilesLoadDefaults) {
    expectDefaults(*load());
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).allKeys(),
              (QStringList{"firstLaunchDate", "opensFullHeightMigrated", "panelExpanded"}));
    EXPECT_TRUE(storedValue("firstLaunchDate").toDateTime().isValid());
    for (const char* text : {"[General]\nstorageChosen=1\npanelY=1, 2\nhotKey=@ByteArray({\"keyCode\":-2})\n",
                             "[General\nmaxItems=@Variant(\\0\\0\\0\\x7f\\xff)\n\xff\xfe garbage=\"\n"
                             "clickActions=@ByteArray(\nhotKey=@Variant(\\0\\0\\0\nhotKey=\n[=]\n"}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) > 0);
        file.close();
        expectDefaults(*load());
    }
}

TEST_F(PreferencesTest, IntegersBeyond64BitsOrWithFractionsAreCutAndClamped) {
    const std::tuple<const char*, QVariant, int> cases[] = {
        {"maxItems", "99999999999", 5000},
        {"maxItems", "99999999999999999999", 5000},
        {"maxItems", "-1e30", 1},
        {"expiryHours", "12.9", 12},
        {"expiryDays", 7.5, 7},
        {"rotationDays", "nan", 30},
        {"rotationDays", true, 30},
    };
    for (const auto& [key, stored, expected] : cases) {
        store({{key, stored}});
        EXPECT_EQ(load()->property(key).toInt(), expected) << key << " " << stored.toString().toStdString();
    }
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

TEST_F(PreferencesTest, ClickActionsFallBackPerKindAndKeepOtherKinds) {
    store({{"clickActions", QVariantMap{{"command", "pin"}, {"shift", "explode"}}}});
    auto p = load();
    EXPECT_EQ(p->action(ClickKind::command), ItemAction::pin);
    EXPECT_EQ(p->action(ClickKind::shift), ItemAction::nothing);
    EXPECT_EQ(p->action(ClickKind::plain), ItemAction::paste);

    p->setAction(ItemAction::paste, ClickKind::plain);
    p->setAction(ItemAction::remove, ClickKind::shift);
    EXPECT_EQ(load()->clickActions(),
              (QVariantMap{{"command", "pin"}, {"plain", "paste"}, {"shift", "delete"}}));
}

} // namespace
