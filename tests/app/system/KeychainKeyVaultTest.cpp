// clang-format off
// GLib before Qt: Qt's `signals` macro breaks GLib's headers.
#include <gio/gio.h>
// clang-format on

#include "app/system/KeychainKeyVault.h"

#include "app/system/KeychainError.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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

// A session bus without service activation, so only the daemon a test starts answers for the
// Secret Service.
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

std::int32_t statusOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const KeychainError& error) {
        return error.status();
    }
    return 0;
}

// Held for the whole suite: GLib keeps a process on the first session bus it connected to.
GDBusConnection* connection = nullptr;

// The daemons end with the test process even when it crashes or is killed.
void startTiedToTest(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start(program, arguments);
}

GVariant* callSecrets(const char* path, const char* interface, const char* method, GVariant* arguments) {
    return g_dbus_connection_call_sync(connection, "org.freedesktop.secrets", path, interface, method,
                                       arguments, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
}

// The object path at `index` in `reply`, which it releases.
std::string pathIn(GVariant* reply, std::size_t index) {
    const char* path = nullptr;
    g_variant_get_child(reply, index, "&o", &path);
    const std::string result = path;
    g_variant_unref(reply);
    return result;
}

// gnome-keyring's private interface takes a collection's password directly, standing in for the
// prompt a test cannot answer; the password travels in a plain session of its own.
GVariant* callWithPassword(const char* method, GVariant* target) {
    const std::string session =
        pathIn(callSecrets("/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "OpenSession",
                           g_variant_new("(sv)", "plain", g_variant_new_string(""))),
               1);
    const std::string_view password = "protected-password";
    GVariant* secret = g_variant_new(
        "(o@ay@ays)", session.c_str(), g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, nullptr, 0, 1),
        g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, password.data(), password.size(), 1), "text/plain");
    GVariant* arguments[] = {target, secret};
    return callSecrets("/org/freedesktop/secrets",
                       "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface", method,
                       g_variant_new_tuple(arguments, 2));
}

bool isLocked(const std::string& collection) {
    GVariant* reply = callSecrets(collection.c_str(), "org.freedesktop.DBus.Properties", "Get",
                                  g_variant_new("(ss)", "org.freedesktop.Secret.Collection", "Locked"));
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    const bool locked = g_variant_get_boolean(value);
    g_variant_unref(value);
    g_variant_unref(reply);
    return locked;
}

// Gives this process a private session bus before libsecret first connects, and a gnome-keyring
// daemon with a fresh login keyring for each test.
class KeychainKeyVaultTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty() ||
            QStandardPaths::findExecutable("gnome-keyring-daemon").isEmpty()) {
            skipReason_ = "dbus-daemon or gnome-keyring-daemon is not installed";
            return;
        }
        busFolder_ = std::make_unique<QTemporaryDir>();
        QFile config(busFolder_->filePath("bus.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly) && config.write(busConfig) > 0);
        config.close();
        if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
            previousAddress_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        }
        bus_ = std::make_unique<QProcess>();
        startTiedToTest(*bus_, "dbus-daemon",
                        {"--nofork", "--print-address=1", "--config-file=" + config.fileName()});
        ASSERT_TRUE(bus_->waitForReadyRead(5000));
        address_ = bus_->readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_);
        connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        ASSERT_NE(connection, nullptr);
        g_dbus_connection_set_exit_on_close(connection, FALSE);
        if (!address_.endsWith(QByteArray("guid=") + g_dbus_connection_get_guid(connection))) {
            skipReason_ =
                "this process already uses another session bus; run the keyring tests in a new process";
        }
    }

    static void TearDownTestSuite() {
        if (!bus_) {
            return;
        }
        g_clear_object(&connection);
        bus_.reset(); // kills the daemon
        previousAddress_ ? qputenv("DBUS_SESSION_BUS_ADDRESS", *previousAddress_)
                         : qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    void SetUp() override {
        if (!skipReason_.empty()) {
            GTEST_SKIP() << skipReason_;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        // A QTemporaryDir is private to its owner, as a runtime directory must be.
        environment.insert("XDG_DATA_HOME", keyringFolder_.path());
        environment.insert("XDG_RUNTIME_DIR", keyringFolder_.path());
        keyring_.setProcessEnvironment(environment);
        startTiedToTest(keyring_, "gnome-keyring-daemon",
                        {"--foreground", "--unlock", "--components=secrets"});
        ASSERT_TRUE(keyring_.waitForStarted(5000));
        // An empty password creates no login keyring, and without one there is no default collection.
        keyring_.write("test-password");
        keyring_.waitForBytesWritten(5000);
        keyring_.closeWriteChannel();
        for (int attempt = 0; attempt < 100 && !hasDefaultCollection(); ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(hasDefaultCollection());
    }

    // Destroying `keyring_` (before its folder) kills the daemon after each test.
    void stopKeyring() {
        keyring_.kill();
        keyring_.waitForFinished();
    }

    static bool hasDefaultCollection() {
        GVariant* reply = g_dbus_connection_call_sync(
            connection, "org.freedesktop.secrets", "/org/freedesktop/secrets",
            "org.freedesktop.Secret.Service", "ReadAlias", g_variant_new("(s)", "default"), nullptr,
            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        const char* path = "/";
        if (reply) {
            g_variant_get(reply, "(&o)", &path);
        }
        const bool found = std::string_view(path) != "/";
        g_clear_pointer(&reply, g_variant_unref);
        return found;
    }

    KeychainKeyVault vault_;
    QTemporaryDir keyringFolder_;
    QProcess keyring_;
    static inline std::unique_ptr<QTemporaryDir> busFolder_;
    static inline std::unique_ptr<QProcess> bus_;
    static inline QByteArray address_;
    static inline std::optional<QByteArray> previousAddress_;
    static inline std::string skipReason_;
};

TEST_F(KeychainKeyVaultTest, ProtectedKeysNeedTheirCollectionUnlockedForEveryLoad) {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&properties, "{sv}", "org.freedesktop.Secret.Collection.Label",
                          g_variant_new_string("Snipstack"));
    const std::string collection =
        pathIn(callWithPassword("CreateWithMasterPassword", g_variant_builder_end(&properties)), 0);
    const SymmetricKey key = binaryKey(32);
    vault_.store(key, "ID", true);
    EXPECT_TRUE(isLocked(collection));
    // No prompter runs on the test bus, so the keyring's prompt goes unanswered.
    EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::userCanceled);
    g_variant_unref(
        callWithPassword("UnlockWithMasterPassword", g_variant_new_object_path(collection.c_str())));
    EXPECT_EQ(vault_.load("ID"), key);
    EXPECT_TRUE(isLocked(collection));
}

TEST_F(KeychainKeyVaultTest, StoresLoadsRefusesDuplicatesAndDeletes) {
    const SymmetricKey shortKey = binaryKey(16), longKey = binaryKey(32);
    vault_.store(shortKey, "ID16", false);
    vault_.store(longKey, "ID32", false);
    EXPECT_EQ(vault_.load("ID16"), shortKey);
    EXPECT_EQ(vault_.load("ID32"), longKey);
    EXPECT_EQ(vault_.load("UNKNOWN"), std::nullopt);

    EXPECT_EQ(statusOf([&] { vault_.store(SymmetricKey::random(32), "ID32", false); }),
              KeychainError::duplicateItem);
    EXPECT_EQ(vault_.load("ID32"), longKey);

    EXPECT_NO_THROW(vault_.deleteKey("UNKNOWN"));
    vault_.deleteKey("ID16");
    EXPECT_EQ(vault_.load("ID16"), std::nullopt);
}

TEST_F(KeychainKeyVaultTest, MissingServiceIsAnErrorNotAMissingKey) {
    stopKeyring();
    EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::notAvailable);
    EXPECT_NO_THROW(vault_.deleteKey("ID"));
}

} // namespace
} // namespace snipstack
