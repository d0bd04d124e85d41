// clang-format off
// GLib before Qt: Qt's `signals` macro breaks GLib's headers.
#include <gio/gio.h>
#define SECRET_API_SUBJECT_TO_CHANGE
#include <libsecret/secret.h>
// clang-format on

#include "app/system/keyring/KeychainKeyVault.h"

#include "app/system/keyring/KeychainError.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <functional>
#include <future>
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

// Passwords gnome-keyring keeps for the "Snipstack" keyring, listed whether published or not.
std::size_t rememberedPasswords() {
    GVariant* reply =
        callSecrets("/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "SearchItems",
                    g_variant_new_parsed("({'keyring': 'LOCAL:/keyrings/Snipstack.keyring'},)"));
    GVariant* unlocked = g_variant_get_child_value(reply, 0);
    GVariant* locked = g_variant_get_child_value(reply, 1);
    const std::size_t count = g_variant_n_children(unlocked) + g_variant_n_children(locked);
    g_variant_unref(locked);
    g_variant_unref(unlocked);
    g_variant_unref(reply);
    return count;
}

// gnome-keyring's prompts come from the desktop's prompter, here the real one on a private X
// display, where these helpers play the user through XTest.
constexpr const char* prompterPath = "/usr/libexec/gcr-prompter";

bool hasOwner(const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", name), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    return owned;
}

// Gives this process a private session bus before libsecret first connects, and a gnome-keyring
// daemon with a fresh login keyring for each test.
class KeychainKeyVaultTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* program : {"dbus-daemon", "gnome-keyring-daemon", "Xvfb", "xdotool", prompterPath}) {
            if (QStandardPaths::findExecutable(program).isEmpty()) {
                skipReason_ = std::string(program) + " is not installed";
                return;
            }
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
        display_ = std::make_unique<QProcess>();
        startTiedToTest(*display_, "Xvfb",
                        {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"});
        ASSERT_TRUE(display_->waitForReadyRead(10000));
        displayName_ = ":" + display_->readLine().trimmed();
    }

    static void TearDownTestSuite() {
        if (!bus_) {
            return;
        }
        prompter_.reset();
        display_.reset();
        g_clear_object(&connection);
        bus_.reset(); // kills the daemon
        previousAddress_ ? qputenv("DBUS_SESSION_BUS_ADDRESS", *previousAddress_)
                         : qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    void SetUp() override {
        if (!skipReason_.empty()) {
            GTEST_SKIP() << skipReason_;
        }
        startKeyring();
    }

    // Keyrings stay in `keyringFolder_`, so a daemon started again plays the next login.
    void startKeyring() {
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

    void logInAgain() {
        stopKeyring();
        startKeyring();
    }

    // Runs `operation` while the user answers each keyring prompt with the collection's password and
    // Return, which keeps "Automatically unlock this keyring whenever I'm logged in" ticked as it
    // comes, or with Escape when `password` is empty. Returns how many prompts there were.
    int answeringPrompts(const std::function<void()>& operation,
                         std::string_view password = "protected-password") {
        startPrompter();
        std::future<void> done = std::async(std::launch::async, operation);
        int prompts = 0;
        while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            if (!promptShown()) {
                continue;
            }
            ++prompts;
            // The prompt grabs the keyboard once it is drawn.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (password.empty()) {
                xdotool({"key", "Escape"});
            } else {
                xdotool({"type", "--delay", "5", QString::fromUtf8(password.data(), password.size())});
                xdotool({"key", "Return"});
            }
            for (int wait = 0; wait < 50 && promptShown(); ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        done.get();
        return prompts;
    }

    // The prompter leaves when idle, and nothing on the test bus starts it again.
    void startPrompter() {
        if (hasOwner("org.gnome.keyring.SystemPrompter")) {
            return;
        }
        if (prompter_) {
            prompter_->waitForFinished(5000);
        }
        prompter_ = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", displayName_);
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        environment.insert("NO_AT_BRIDGE", "1");
        prompter_->setProcessEnvironment(environment);
        startTiedToTest(*prompter_, prompterPath, {});
        ASSERT_TRUE(prompter_->waitForStarted(5000));
        for (int attempt = 0; attempt < 100 && !hasOwner("org.gnome.keyring.SystemPrompter"); ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(hasOwner("org.gnome.keyring.SystemPrompter"));
    }

    static int xdotool(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", displayName_);
        process.setProcessEnvironment(environment);
        process.start("xdotool", arguments);
        process.waitForFinished(10000);
        return process.exitCode();
    }

    static bool promptShown() { return xdotool({"search", "--onlyvisible", "--class", "gcr-prompter"}) == 0; }

    // A collection labelled "Snipstack" with a password the prompts are answered with.
    static std::string createProtectedCollection() {
        GVariantBuilder properties;
        g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&properties, "{sv}", "org.freedesktop.Secret.Collection.Label",
                              g_variant_new_string("Snipstack"));
        return pathIn(callWithPassword("CreateWithMasterPassword", g_variant_builder_end(&properties)), 0);
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
    static inline std::unique_ptr<QProcess> display_;
    static inline QString displayName_;
    static inline std::unique_ptr<QProcess> prompter_;
};

TEST_F(KeychainKeyVaultTest, EveryLoadOfAProtectedKeyAsksForThePassword) {
    const std::string collection = createProtectedCollection();
    const SymmetricKey key = binaryKey(32);
    vault_.store(key, "ID", true);
    EXPECT_TRUE(isLocked(collection));
    EXPECT_EQ(answeringPrompts(
                  [&] { EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::userCanceled); }, ""),
              1);

    std::optional<SymmetricKey> loaded;
    EXPECT_EQ(answeringPrompts([&] { loaded = vault_.load("ID"); }), 1);
    EXPECT_EQ(loaded, key);
    EXPECT_TRUE(isLocked(collection));
    // Unlocked by someone else in between, it still asks.
    g_variant_unref(
        callWithPassword("UnlockWithMasterPassword", g_variant_new_object_path(collection.c_str())));
    EXPECT_EQ(answeringPrompts([&] { loaded = vault_.load("ID"); }), 1);
    EXPECT_EQ(loaded, key);
}

// A keyring loaded locked from disk shows every item with the generic schema only.
TEST_F(KeychainKeyVaultTest, ProtectedKeyIsFoundLockedAfterANewLogin) {
    createProtectedCollection();
    const SymmetricKey key = binaryKey(32);
    vault_.store(key, "ID", true);
    logInAgain();

    EXPECT_TRUE(vault_.itemExists("ID", true));
    EXPECT_EQ(answeringPrompts([&] {
                  EXPECT_EQ(statusOf([&] { vault_.store(SymmetricKey::random(32), "ID", true); }),
                            KeychainError::duplicateItem);
              }),
              0);
    std::optional<SymmetricKey> loaded;
    EXPECT_EQ(answeringPrompts([&] { loaded = vault_.load("ID"); }), 1);
    EXPECT_EQ(loaded, key);
}

// The prompt's "Automatically unlock this keyring whenever I'm logged in", ticked unless unticked,
// makes gnome-keyring keep the collection's password in the login keyring; within that login the
// item is listed but not published on the bus.
TEST_F(KeychainKeyVaultTest, APasswordTheKeyringRemembersIsForgottenAndBreaksNothing) {
    const std::string collection = createProtectedCollection();
    const SymmetricKey key = binaryKey(32), plainKey = binaryKey(16);
    vault_.store(key, "ID", true);
    vault_.store(plainKey, "PLAIN", false);
    // Ticked at an unlock outside the vault: a keyring browser, or an earlier Snipstack.
    EXPECT_EQ(
        answeringPrompts([&] {
            const char* paths[] = {collection.c_str(), nullptr};
            SecretService* service =
                secret_service_open_sync(SECRET_TYPE_SERVICE, nullptr, SECRET_SERVICE_NONE, nullptr, nullptr);
            EXPECT_EQ(secret_service_unlock_dbus_paths_sync(service, paths, nullptr, nullptr, nullptr), 1);
            g_object_unref(service);
        }),
        1);
    ASSERT_EQ(rememberedPasswords(), 1u);
    EXPECT_EQ(vault_.load("PLAIN"), plainKey);

    std::optional<SymmetricKey> loaded;
    EXPECT_EQ(answeringPrompts([&] { loaded = vault_.load("ID"); }), 1);
    EXPECT_EQ(loaded, key);
    EXPECT_EQ(rememberedPasswords(), 0u);

    logInAgain();
    EXPECT_EQ(answeringPrompts([&] { loaded = vault_.load("ID"); }), 1);
    EXPECT_EQ(loaded, key);
    EXPECT_EQ(vault_.load("PLAIN"), plainKey);
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

TEST_F(KeychainKeyVaultTest, OnlyAMissingServiceReadsAsNoService) {
    stopKeyring();
    EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::notAvailable);
    EXPECT_NO_THROW(vault_.deleteKey("ID"));

    // This process answers for the Secret Service now, with errors only.
    GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "RequestName",
                                                  g_variant_new("(su)", "org.freedesktop.secrets", 0u),
                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);
    try {
        vault_.load("ID");
        ADD_FAILURE() << "a failing service went unreported";
    } catch (const KeychainError& error) {
        EXPECT_EQ(error.status(), KeychainError::serviceFailure);
        EXPECT_NE(std::string_view(error.what()), "Keyring error -26276");
    }
    g_variant_unref(g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "ReleaseName",
                                                g_variant_new("(s)", "org.freedesktop.secrets"), nullptr,
                                                G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr));
}

} // namespace
} // namespace snipstack
