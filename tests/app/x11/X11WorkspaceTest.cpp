#include "app/system/X11Workspace.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>

namespace snipstack {
namespace {

// Sets a variable for one test; the other tests in the program see the real environment.
struct ScopedVariable {
    ScopedVariable(const char* name, const std::string& value)
        : name(name), wasSet(qEnvironmentVariableIsSet(name)), old(qgetenv(name)) {
        qputenv(name, value.c_str());
    }
    ~ScopedVariable() { wasSet ? qputenv(name, old) : qunsetenv(name); }
    const char* name;
    bool wasSet;
    QByteArray old;
};

// Plays the other programs and the window manager on a connection of its own.
class X11WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "needs Qt on an X server";
        }
        connection = xcb_connect(nullptr, nullptr);
        ASSERT_EQ(xcb_connection_has_error(connection), 0);
        // Xvfb has a single screen.
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        activeWindow = atom("_NET_ACTIVE_WINDOW");
        std::filesystem::create_directories(home + "/applications");
        std::ofstream(home + "/applications/org.example.Notes.desktop")
            << "[Desktop Entry]\nType=Application\nName=Notes\nIcon=notes-icon\nStartupWMClass=Notes-App\n";
        workspace.emplace();
    }

    void TearDown() override {
        if (connection) {
            xcb_delete_property(connection, root, activeWindow);
            xcb_disconnect(connection);
        }
    }

    xcb_atom_t atom(const char* name) {
        const auto cookie = xcb_intern_atom(connection, false, std::uint16_t(strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
        free(reply);
        return result;
    }

    xcb_window_t window(std::string_view wmClass, std::uint32_t pid) {
        const xcb_window_t window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            std::uint32_t(wmClass.size()), wmClass.data());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &pid);
        return window;
    }

    // Sets the active window and waits until the server has done so, before Qt's connection asks.
    void makeActive(xcb_window_t window) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, activeWindow, XCB_ATOM_WINDOW, 32, 1,
                            &window);
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }

    QTemporaryDir temporary;
    std::string home = temporary.path().toStdString();
    ScopedVariable dataHome{"XDG_DATA_HOME", home};
    ScopedVariable dataDirs{"XDG_DATA_DIRS", home + "/empty"};
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    xcb_atom_t activeWindow = XCB_NONE;
    std::optional<X11Workspace> workspace;
};

TEST_F(X11WorkspaceTest, FrontmostApplicationIsTheActiveWindowsOwnerNamedByItsDesktopEntry) {
    const xcb_window_t notes = window(std::string_view("notes\0Notes-App\0", 16), 4242);
    makeActive(notes);
    EXPECT_EQ(workspace->frontmostApplication(),
              (RunningApplication{"Notes", "org.example.Notes", "notes-icon", notes, 4242, "Notes-App"}));
    const xcb_window_t terminal = window(std::string_view("xterm\0XTerm\0", 12), 7);
    makeActive(terminal);
    EXPECT_EQ(workspace->frontmostApplication(),
              (RunningApplication{"XTerm", "xterm", std::nullopt, terminal, 7, "XTerm"}));

    makeActive(XCB_NONE);
    EXPECT_EQ(workspace->frontmostApplication(), std::nullopt);
    xcb_destroy_window(connection, terminal);
    makeActive(terminal);
    EXPECT_EQ(workspace->frontmostApplication(), std::nullopt);
}

TEST_F(X11WorkspaceTest, ActivateAsksTheWindowManagerThroughTheRootWindow) {
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_window_t notes = window("notes", 1);
    makeActive(notes);
    EXPECT_FALSE(workspace->activate(RunningApplication{}));
    ASSERT_TRUE(workspace->activate(*workspace->frontmostApplication()));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::optional<xcb_client_message_event_t> request;
    while (!request && std::chrono::steady_clock::now() < deadline) {
        pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&descriptor, 1, 100);
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                request = *reinterpret_cast<xcb_client_message_event_t*>(event);
            }
            free(event);
        }
    }
    ASSERT_TRUE(request);
    EXPECT_EQ(request->type, activeWindow);
    EXPECT_EQ(request->window, notes);
    EXPECT_EQ(request->data.data32[0], 2u);
}

} // namespace
} // namespace snipstack
