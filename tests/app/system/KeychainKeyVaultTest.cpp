// clang-format off
// GLib before Qt: Qt's `signals` macro breaks GLib's headers.
#include <gio/gio.h>
// clang-format on

#include "app/system/KeychainKeyVault.h"

#include "app/system/KeychainError.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/prctl.h>
#include <thread>
#include <vector>

namespace snipstack {
namespace {

// A session bus without service activation, so nothing but the daemon the test starts can
// answer for the Secret Service.
constexpr const char* busConfig = R"(<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>)";

SymmetricKey binaryKey(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = i % 3 == 0 ? 0 : static_cast<std::uint8_t>(i * 37 + 1);
    }
    return SymmetricKey(bytes);
}

// The object path at `index` in `reply`, which it releases.
std::string pathIn(GVariant* reply, std::size_t index) {
    const char* path = nullptr;
    g_variant_get_child(reply, index, "&o", &path);
    const std::string result = path;
    g_variant_unref(reply);
    return result;
}

// The daemons end with the test process even when it crashes or is killed.
void endWithTest(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

// Gives this process a private session bus before libsecret first connects, and a gnome-keyring
// daemon with a fresh login keyring for each test.
class KeychainKeyVaultTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        skipReason_.clear();
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty() ||
            QStandardPaths::findExecutable("gnome-keyring-daemon").isEmpty()) {
            skipReason_ = "dbus-daemon or gnome-keyring-daemon is not installed";
            return;
        }
        busFolder_ = std::make_unique<QTemporaryDir>();
        QFile config(busFolder_->filePath("bus.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(busConfig);
        config.close();
        previousAddress_ = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")
                               ? std::optional(qgetenv("DBUS_SESSION_BUS_ADDRESS"))
                               : std::nullopt;
        bus_ = std::make_unique<QProcess>();
        endWithTest(*bus_);
        bus_->start("dbus-daemon", {"--nofork", "--print-address=1", "--config-file=" + config.fileName()});
        ASSERT_TRUE(bus_->waitForReadyRead(5000));
        address_ = bus_->readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_);
        // Held for the whole suite and kept from ending the process when the bus goes away.
        connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        ASSERT_NE(connection_, nullptr);
        g_dbus_connection_set_exit_on_close(connection_, FALSE);
        // GLib keeps a process on the first session bus it connected to, which must not be a real one.
        if (!address_.endsWith(QByteArray("guid=") + g_dbus_connection_get_guid(connection_))) {
            skipReason_ =
                "this process already uses another session bus; run the keyring tests in a new process";
        }
    }

    static void TearDownTestSuite() {
        if (!bus_) {
            return;
        }
        g_clear_object(&connection_);
        bus_->terminate();
        bus_->waitForFinished(5000);
        bus_.reset();
        busFolder_.reset();
        if (previousAddress_) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", *previousAddress_);
        } else {
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        }
    }

    void SetUp() override {
        if (!skipReason_.empty()) {
            GTEST_SKIP() << skipReason_;
        }
        ASSERT_TRUE(QDir(keyringFolder_.path()).mkpath("run"));
        QFile::setPermissions(keyringFolder_.filePath("run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        environment.insert("XDG_DATA_HOME", keyringFolder_.path());
        environment.insert("XDG_RUNTIME_DIR", keyringFolder_.filePath("run"));
        keyring_.setProcessEnvironment(environment);
        endWithTest(keyring_);
        keyring_.start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
        ASSERT_TRUE(keyring_.waitForStarted(5000));
        // An empty password creates no login keyring, and without one there is no default collection.
        keyring_.write("test-password");
        keyring_.waitForBytesWritten(5000);
        keyring_.closeWriteChannel();
        ASSERT_TRUE(waitForDefaultCollection());
    }

    void TearDown() override { stopKeyring(); }

    void stopKeyring() {
        keyring_.terminate();
        if (!keyring_.waitForFinished(5000)) {
            keyring_.kill();
            keyring_.waitForFinished();
        }
    }

    // gnome-keyring's private interface takes the password directly, standing in for the prompts
    // a test cannot answer.
    static std::string createProtectedCollection() {
        GVariantBuilder properties;
        g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&properties, "{sv}", "org.freedesktop.Secret.Collection.Label",
                              g_variant_new_string("Snipstack"));
        return pathIn(call("/org/freedesktop/secrets", privateInterface, "CreateWithMasterPassword",
                           g_variant_new("(a{sv}@(oayays))", &properties, masterPassword())),
                      0);
    }

    static void unlockWithPassword(const std::string& collection) {
        g_variant_unref(call("/org/freedesktop/secrets", privateInterface, "UnlockWithMasterPassword",
                             g_variant_new("(o@(oayays))", collection.c_str(), masterPassword())));
    }

    static bool isLocked(const std::string& collection) {
        GVariant* reply = call(collection.c_str(), "org.freedesktop.DBus.Properties", "Get",
                               g_variant_new("(ss)", "org.freedesktop.Secret.Collection", "Locked"));
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        const bool locked = g_variant_get_boolean(value);
        g_variant_unref(value);
        g_variant_unref(reply);
        return locked;
    }

    KeychainKeyVault vault_;

private:
    static constexpr const char* privateInterface =
        "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface";

    static GVariant* call(const char* path, const char* interface, const char* method, GVariant* arguments) {
        return g_dbus_connection_call_sync(connection_, "org.freedesktop.secrets", path, interface, method,
                                           arguments, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                                           nullptr);
    }

    // The password travels in a plain (unencrypted) session of its own.
    static GVariant* masterPassword() {
        const std::string session =
            pathIn(call("/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "OpenSession",
                        g_variant_new("(sv)", "plain", g_variant_new_string(""))),
                   1);
        const std::string_view password = "protected-password";
        return g_variant_new(
            "(o@ay@ays)", session.c_str(), g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, nullptr, 0, 1),
            g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, password.data(), password.size(), 1),
            "text/plain");
    }

    static bool waitForDefaultCollection() {
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (GVariant* reply = call("/org/freedesktop/secrets", "org.freedesktop.Secret.Service",
                                       "ReadAlias", g_variant_new("(s)", "default"));
                reply && pathIn(reply, 0) != "/") {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    QTemporaryDir keyringFolder_;
    QProcess keyring_;

    static inline std::unique_ptr<QTemporaryDir> busFolder_;
    static inline std::unique_ptr<QProcess> bus_;
    static inline QByteArray address_;
    static inline std::optional<QByteArray> previousAddress_;
    static inline GDBusConnection* connection_ = nullptr;
    static inline std::string skipReason_;
};

std::int32_t statusOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const KeychainError& error) {
        return error.status();
    }
    return 0;
}

TEST_F(KeychainKeyVaultTest, ReturnsExactlyTheStoredBytes) {
    const SymmetricKey shortKey = binaryKey(16);
    const SymmetricKey longKey = binaryKey(32);
    vault_.store(shortKey, "A1B2C3D4-0000-0000-0000-000000000016", false);
    vault_.store(longKey, "A1B2C3D4-0000-0000-0000-000000000032", false);

    EXPECT_EQ(vault_.load("A1B2C3D4-0000-0000-0000-000000000016"), shortKey);
    EXPECT_EQ(vault_.load("A1B2C3D4-0000-0000-0000-000000000032"), longKey);
    EXPECT_EQ(vault_.load("A1B2C3D4-0000-0000-0000-0000000000FF"), std::nullopt);
    EXPECT_TRUE(vault_.itemExists("A1B2C3D4-0000-0000-0000-000000000016", true));
    EXPECT_FALSE(vault_.itemExists("A1B2C3D4-0000-0000-0000-000000000016", false));
}

TEST_F(KeychainKeyVaultTest, RefusesToReplaceAKey) {
    const SymmetricKey first = binaryKey(32);
    vault_.store(first, "ID", false);

    EXPECT_EQ(statusOf([&] { vault_.store(SymmetricKey::random(32), "ID", false); }),
              KeychainError::duplicateItem);
    EXPECT_EQ(vault_.load("ID"), first);
}

TEST_F(KeychainKeyVaultTest, DeletesSilently) {
    EXPECT_NO_THROW(vault_.deleteKey("UNKNOWN"));
    vault_.store(binaryKey(16), "ID", false);

    vault_.deleteKey("ID");

    EXPECT_EQ(vault_.load("ID"), std::nullopt);
    EXPECT_FALSE(vault_.itemExists("ID", true));
}

TEST_F(KeychainKeyVaultTest, ProtectedKeysNeedTheSnipstackCollectionUnlockedForEveryLoad) {
    const std::string collection = createProtectedCollection();
    const SymmetricKey key = binaryKey(32);
    vault_.store(key, "ID", true);
    EXPECT_TRUE(isLocked(collection));

    // No prompter runs on the test bus, so the keyring's prompt is dismissed.
    EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::userCanceled);

    unlockWithPassword(collection);
    EXPECT_EQ(vault_.load("ID"), key);
    EXPECT_TRUE(isLocked(collection));

    unlockWithPassword(collection);
    vault_.deleteKey("ID");
    EXPECT_FALSE(vault_.itemExists("ID", true));
    EXPECT_TRUE(isLocked(collection));
}

TEST_F(KeychainKeyVaultTest, MissingServiceIsAnErrorNotAMissingKey) {
    stopKeyring();

    EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::notAvailable);
    EXPECT_EQ(statusOf([&] { vault_.store(binaryKey(16), "ID", false); }), KeychainError::notAvailable);
    EXPECT_NO_THROW(vault_.deleteKey("ID"));
    EXPECT_FALSE(vault_.itemExists("ID", true));
}

TEST(KeychainErrorTest, DescribesStatusesWithoutAMessageByNumber) {
    EXPECT_STREQ(KeychainError(-1).what(), "Keyring error -1");
    EXPECT_STREQ(KeychainError(KeychainError::serviceFailure, "Cannot create an item").what(),
                 "Cannot create an item");
}

} // namespace
} // namespace snipstack
