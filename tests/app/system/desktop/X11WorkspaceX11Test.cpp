#include "app/system/desktop/X11Workspace.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>

namespace snipstack {
namespace {

TEST(X11WorkspaceTest, NamesTheActiveWindowsOwnerByItsDesktopEntryAndAsksTheWindowManagerToActivate) {
    QTemporaryDir home;
    std::filesystem::create_directories(home.filePath("applications").toStdString());
    std::ofstream(home.filePath("applications/org.example.Notes.desktop").toStdString())
        << "[Desktop Entry]\nType=Application\nName=Notes\nIcon=notes-icon\nStartupWMClass=Notes-App\n";
    // Nothing else in this program reads desktop entries, so the variables need no restoring.
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_DIRS", home.filePath("empty").toUtf8());
    DesktopEntries entries;
    X11Workspace workspace(entries);

    // Plays the other programs and the window manager on a connection of its own.
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto atom = [&](const char* name) {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, false, strlen(name), name),
                                  nullptr),
            &free);
        return reply->atom;
    };
    const auto window = [&](std::string_view wmClass, std::uint32_t pid) {
        const xcb_window_t window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            wmClass.size(), wmClass.data());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &pid);
        return window;
    };
    // Waits until the server has set the active window before Qt's connection asks.
    const auto frontmostWhileActive = [&](xcb_window_t window) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, atom("_NET_ACTIVE_WINDOW"),
                            XCB_ATOM_WINDOW, 32, 1, &window);
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        return workspace.frontmostApplication();
    };

    const xcb_window_t notes = window(std::string_view("notes\0Notes-App\0", 16), 4242);
    const xcb_window_t terminal = window(std::string_view("xterm\0XTerm\0", 12), 7);
    EXPECT_EQ(frontmostWhileActive(terminal),
              (RunningApplication{"XTerm", "xterm", std::nullopt, terminal, 7, "XTerm"}));
    EXPECT_EQ(frontmostWhileActive(XCB_NONE), std::nullopt);
    xcb_destroy_window(connection, terminal);
    EXPECT_EQ(frontmostWhileActive(terminal), std::nullopt);
    // Selected after the windows changed last, so that the request is the first event.
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    const auto front = frontmostWhileActive(notes);
    EXPECT_EQ(front,
              (RunningApplication{"Notes", "org.example.Notes", "notes-icon", notes, 4242, "Notes-App"}));
    EXPECT_FALSE(workspace.activate(RunningApplication{}));
    ASSERT_TRUE(front && workspace.activate(*front));
    pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
    ::poll(&readable, 1, 5000);
    const std::unique_ptr<xcb_generic_event_t, decltype(&free)> event(xcb_poll_for_event(connection), &free);
    ASSERT_TRUE(event && (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE);
    const auto* request = reinterpret_cast<xcb_client_message_event_t*>(event.get());
    EXPECT_EQ(request->type, atom("_NET_ACTIVE_WINDOW"));
    EXPECT_EQ(request->window, notes);
    EXPECT_EQ(request->data.data32[0], 2u);
    xcb_disconnect(connection);
}

} // namespace
} // namespace snipstack
