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

using namespace std::chrono_literals;

constexpr const char* prompterPath = "/usr/libexec/gcr-prompter";

// A session bus that can start only the desktop's prompter, so that only the daemon a test starts
// answers for the Secret Service. gnome-keyring shows its prompts through that prompter, here on a
// private X display, where the tests play the user through xdotool.
constexpr const char* busConfig = R"(<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
<servicedir>%1</servicedir><policy context="default"><allow send_destination="*" eavesdrop="true"/>
<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>)";

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

bool eventually(const std::function<bool()>& condition) {
    for (int attempt = 0; attempt < 100 && !condition(); ++attempt) {
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

// With the test's environment changed by `changes` (an empty value removes a variable); it ends
// with the test process even when that crashes or is killed.
std::unique_ptr<QProcess> start(const QString& program, const QStringList& arguments,
                                const std::vector<std::pair<QString, QString>>& changes = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : changes) {
        value.isEmpty() ? environment.remove(name) : environment.insert(name, value);
    }
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process->start(program, arguments);
    return process;
}

// Held for the whole suite: GLib keeps a process on the first session bus it connected to.
GDBusConnection* connection = nullptr;

GVariant* call(const char* destination, const char* path, const char* interface, const char* method,
               GVariant* arguments) {
    return g_dbus_connection_call_sync(connection, destination, path, interface, method, arguments, nullptr,
                                       G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
}

GVariant* callSecrets(const char* method, GVariant* arguments,
                      const char* interface = "org.freedesktop.Secret.Service",
                      const char* path = "/org/freedesktop/secrets") {
    return call("org.freedesktop.secrets", path, interface, method, arguments);
}

GVariant* callBus(const char* method, GVariant* arguments) {
    return call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, arguments);
}

// The object path at `index` in `reply`, which it releases; "/" when there is no reply.
std::string pathIn(GVariant* reply, std::size_t index) {
    g_autoptr(GVariant) owned = reply;
    const char* path = "/";
    if (reply) {
        g_variant_get_child(reply, index, "&o", &path);
    }
    return path;
}

// gnome-keyring's private interface takes a collection's password directly, standing in for the
// prompt a test cannot answer; the password travels in a plain session of its own.
GVariant* callWithPassword(const char* method, GVariant* target) {
    const std::string session =
        pathIn(callSecrets("OpenSession", g_variant_new("(sv)", "plain", g_variant_new_string(""))), 1);
    const std::string_view password = "protected-password";
    return callSecrets(
        method,
        g_variant_new("(@*(o@ay@ays))", target, session.c_str(),
                      g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, nullptr, 0, 1),
                      g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, password.data(), password.size(), 1),
                      "text/plain"),
        "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface");
}

// A collection labelled "Snipstack" with a password the prompts are answered with.
std::string createProtectedCollection() {
    return pathIn(
        callWithPassword("CreateWithMasterPassword",
                         g_variant_new_parsed("{'org.freedesktop.Secret.Collection.Label': <'Snipstack'>}")),
        0);
}

bool isLocked(const std::string& collection) {
    g_autoptr(GVariant) reply =
        callSecrets("Get", g_variant_new("(ss)", "org.freedesktop.Secret.Collection", "Locked"),
                    "org.freedesktop.DBus.Properties", collection.c_str());
    g_autoptr(GVariant) value = nullptr;
    g_variant_get(reply, "(v)", &value);
    return g_variant_get_boolean(value);
}

// Passwords gnome-keyring keeps for the "Snipstack" keyring, listed whether published or not.
std::size_t rememberedPasswords() {
    g_autoptr(GVariant) reply = callSecrets(
        "SearchItems", g_variant_new_parsed("({'keyring': 'LOCAL:/keyrings/Snipstack.keyring'},)"));
    g_autoptr(GVariant) unlocked = g_variant_get_child_value(reply, 0);
    g_autoptr(GVariant) locked = g_variant_get_child_value(reply, 1);
    return g_variant_n_children(unlocked) + g_variant_n_children(locked);
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
        display_ = start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"});
        ASSERT_TRUE(display_->waitForReadyRead(10000));
        displayName_ = ":" + display_->readLine().trimmed();
        busFolder_ = std::make_unique<QTemporaryDir>();
        for (const auto& [name, content] :
             {std::pair{QString("bus.conf"), QString(busConfig).arg(busFolder_->path())},
              {"prompter.service",
               QString("[D-BUS Service]\nName=org.gnome.keyring.SystemPrompter\nExec=%1\n")
                   .arg(prompterPath)}}) {
            QFile file(busFolder_->filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content.toUtf8()) > 0);
        }
        // The prompter the bus starts inherits its environment.
        bus_ = start("dbus-daemon",
                     {"--nofork", "--print-address=1", "--config-file=" + busFolder_->filePath("bus.conf")},
                     {{"DISPLAY", displayName_}, {"NO_AT_BRIDGE", "1"}});
        ASSERT_TRUE(bus_->waitForReadyRead(5000));
        const QByteArray address = bus_->readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        ASSERT_NE(connection, nullptr);
        g_dbus_connection_set_exit_on_close(connection, FALSE);
        if (!address.endsWith(QByteArray("guid=") + g_dbus_connection_get_guid(connection))) {
            skipReason_ =
                "this process already uses another session bus; run the keyring tests in a new process";
        }
    }

    static void TearDownTestSuite() {
        if (!bus_) {
            return;
        }
        g_clear_object(&connection);
        bus_.reset(); // kills the daemon, and with it the prompter
        display_.reset();
    }

    void SetUp() override {
        if (!skipReason_.empty()) {
            GTEST_SKIP() << skipReason_;
        }
        startKeyring();
    }

    // Keyrings stay in `keyringFolder_`, so a daemon started again plays the next login. A
    // QTemporaryDir is private to its owner, as a runtime directory must be.
    void startKeyring() {
        keyring_ = start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"},
                         {{"DISPLAY", ""},
                          {"WAYLAND_DISPLAY", ""},
                          {"XDG_DATA_HOME", keyringFolder_.path()},
                          {"XDG_RUNTIME_DIR", keyringFolder_.path()}});
        ASSERT_TRUE(keyring_->waitForStarted(5000));
        // An empty password creates no login keyring, and without one there is no default collection.
        keyring_->write("test-password");
        keyring_->waitForBytesWritten(5000);
        keyring_->closeWriteChannel();
        ASSERT_TRUE(eventually(
            [] { return pathIn(callSecrets("ReadAlias", g_variant_new("(s)", "default")), 0) != "/"; }));
    }

    // Destroying the process kills the daemon.
    void logInAgain() {
        keyring_.reset();
        startKeyring();
    }

    // Runs `operation` while the user answers each keyring prompt with the collection's password and
    // Return, which keeps "Automatically unlock this keyring whenever I'm logged in" ticked as it
    // comes, or with Escape. Returns how many prompts there were.
    int answeringPrompts(const std::function<void()>& operation, bool answer = true) {
        std::future<void> done = std::async(std::launch::async, operation);
        int prompts = 0;
        while (done.wait_for(100ms) != std::future_status::ready) {
            if (!promptShown()) {
                continue;
            }
            ++prompts;
            // The prompt grabs the keyboard once it is drawn.
            std::this_thread::sleep_for(300ms);
            if (answer) {
                xdotool({"type", "--delay", "5", "protected-password"});
            }
            xdotool({"key", answer ? "Return" : "Escape"});
            eventually([] { return !promptShown(); });
        }
        done.get();
        return prompts;
    }

    static int xdotool(const QStringList& arguments) {
        const std::unique_ptr<QProcess> process = start("xdotool", arguments, {{"DISPLAY", displayName_}});
        process->waitForFinished(10000);
        return process->exitCode();
    }

    static bool promptShown() { return xdotool({"search", "--onlyvisible", "--class", "gcr-prompter"}) == 0; }

    KeychainKeyVault vault_;
    QTemporaryDir keyringFolder_;
    std::unique_ptr<QProcess> keyring_;
    static inline std::unique_ptr<QTemporaryDir> busFolder_;
    static inline std::unique_ptr<QProcess> bus_;
    static inline std::unique_ptr<QProcess> display_;
    static inline QString displayName_;
    static inline std::string skipReason_;
};

// The prompt's "Automatically unlock this keyring whenever I'm logged in", ticked unless unticked,
// makes gnome-keyring keep the collection's password in the login keyring; within that login the
// item is listed but not published on the bus. A keyring loaded locked from disk after a new login
// shows every item with the generic schema only.
TEST_F(KeychainKeyVaultTest, EveryLoadOfAProtectedKeyAsksForThePasswordWhateverTheKeyringRemembers) {
    const std::string collection = createProtectedCollection();
    const SymmetricKey key = binaryKey(32), plainKey = binaryKey(16);
    vault_.store(key, "ID", true);
    vault_.store(plainKey, "PLAIN", false);
    EXPECT_TRUE(isLocked(collection));
    EXPECT_EQ(
        answeringPrompts(
            [&] { EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::userCanceled); }, false),
        1);
    std::optional<SymmetricKey> loaded;
    EXPECT_EQ(answeringPrompts([&] { loaded = vault_.load("ID"); }), 1);
    EXPECT_EQ(loaded, key);
    EXPECT_TRUE(isLocked(collection));

    // Unlocked outside the vault, by a keyring browser or an earlier Snipstack, with the box ticked.
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
    loaded.reset();
    EXPECT_EQ(answeringPrompts([&] { loaded = vault_.load("ID"); }), 1);
    EXPECT_EQ(loaded, key);
    EXPECT_EQ(rememberedPasswords(), 0u);

    logInAgain();
    EXPECT_TRUE(vault_.itemExists("ID", true));
    EXPECT_EQ(answeringPrompts([&] {
                  EXPECT_EQ(statusOf([&] { vault_.store(SymmetricKey::random(32), "ID", true); }),
                            KeychainError::duplicateItem);
              }),
              0);
    loaded.reset();
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
    keyring_.reset();
    EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::notAvailable);
    EXPECT_NO_THROW(vault_.deleteKey("ID"));

    // This process answers for the Secret Service now, with errors only.
    GVariant* reply = callBus("RequestName", g_variant_new("(su)", "org.freedesktop.secrets", 0u));
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);
    EXPECT_EQ(statusOf([&] { vault_.load("ID"); }), KeychainError::serviceFailure);
    g_variant_unref(callBus("ReleaseName", g_variant_new("(s)", "org.freedesktop.secrets")));
}

} // namespace
} // namespace snipstack
