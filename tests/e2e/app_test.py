"""Snipstack as a user meets it: the real program on a private desktop (run inside
scripts/desktop-session.sh), driven with xdotool and xclip.

Usage: desktop-session.sh python3 app_test.py path/to/snipstack path/to/clipboard-owner
(the owner is the X11 test program, which copies what its arguments say; see X11TestMain.cpp)
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
import struct

PROGRAM = None
OWNER = None
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")


def wait_for(condition, timeout=10.0, interval=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(interval)
    return condition()


def xdotool(*arguments):
    result = subprocess.run(["xdotool", *arguments], capture_output=True, text=True)
    return result.stdout.split() if result.returncode == 0 else []


def window_named(name):
    """The visible window of ours with exactly this title."""
    for window in xdotool("search", "--onlyvisible", "--class", "snipstack"):
        title = subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True).stdout
        if title.rstrip("\n") == name:
            return window
    return None


def tray_icon():
    """Our window embedded in the tray: icon-sized, where no window of ours is otherwise."""
    for window in xdotool("search", "--onlyvisible", "--class", "snipstack"):
        shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                               text=True).stdout
        geometry = dict(line.split("=") for line in shell.split())
        if int(geometry["WIDTH"]) <= 32 and int(geometry["HEIGHT"]) <= 32:
            return geometry
    return None


class Home:
    """A user's home of its own: settings, data and autostart entries."""

    def __init__(self, set_up=False, settings=""):
        self.folder = pathlib.Path(tempfile.mkdtemp(prefix="snipstack-home-"))
        self.config = self.folder / ".config"
        self.data = self.folder / ".local" / "share"
        self.config.mkdir(parents=True)
        self.data.mkdir(parents=True)
        if set_up:
            (self.config / "orvend").mkdir(parents=True)
            settings_file = self.config / "orvend" / "Snipstack.conf"
            settings_file.write_text("[General]\nstorageChosen=true\npersistent=true\nonboardingDone=true\n" + settings)

    def environment(self):
        environment = dict(os.environ)
        environment.update(HOME=str(self.folder), XDG_CONFIG_HOME=str(self.config),
                           XDG_DATA_HOME=str(self.data))
        return environment

    def stored_records(self):
        return sum(1 for path in (self.data / "Snipstack").rglob("*") if path.is_file())

    def wait_until_settled(self):
        """Until the store exists and nothing more is written to it for half a second."""
        if not wait_for(lambda: self.stored_records() > 0, timeout=15):
            return False
        seen = None
        while seen != self.stored_records():
            seen = self.stored_records()
            time.sleep(0.5)
        return True

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


def clipboard(target="UTF8_STRING"):
    """The clipboard's bytes for `target`, or None when nobody answers."""
    result = subprocess.run(["xclip", "-selection", "clipboard", "-o", "-t", target], capture_output=True,
                            timeout=5)
    return result.stdout if result.returncode == 0 else None


def visible_panel():
    """The panel's geometry while it is on screen: our window wider than an icon without a title."""
    for window in xdotool("search", "--onlyvisible", "--class", "snipstack"):
        title = subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True).stdout.strip()
        shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                               text=True).stdout
        geometry = {key: int(value) for key, value in (line.split("=") for line in shell.split())}
        if geometry["WIDTH"] > 32 and title in ("", "Snipstack") and geometry["WIDTH"] == 420:
            return geometry
    return None


def screenshot_png(width, height):
    """A screenshot-like PNG: a white page with a grey title bar and dark text lines."""
    rows = []
    for y in range(height):
        if y < 24:
            row = bytes([0xDD, 0xDD, 0xDD]) * width
        elif y % 20 in (8, 9, 10) and y > 40:
            row = bytes([0x30, 0x30, 0x30]) * (width // 2) + bytes([0xFF, 0xFF, 0xFF]) * (width - width // 2)
        else:
            row = bytes([0xFF, 0xFF, 0xFF]) * width
        rows.append(b"\0" + row)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows)))
            + chunk(b"IEND", b""))


def unique_colours(png):
    """The colours of a PNG as ImageMagick lists them ("#RRGGBB")."""
    result = subprocess.run(["convert", "png:-", "-unique-colors", "-depth", "8", "txt:-"], input=png,
                            capture_output=True)
    return {word[:7] for word in result.stdout.decode().split() if word.startswith("#")}


def screen_width():
    return int(subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True).stdout.split()[0])


class AppTest(unittest.TestCase):
    def launch(self, home, *arguments):
        return subprocess.Popen([PROGRAM, *arguments], env=home.environment(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def start(self, set_up, settings=""):
        home = Home(set_up, settings)
        self.addCleanup(home.remove)
        process = self.launch(home)
        self.addCleanup(self.stop, process)
        return home, process

    @staticmethod
    def stop(process):
        if process.stdin:
            process.stdin.close()
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def test_fresh_home_shows_the_first_run_window_and_a_second_launch_hands_over(self):
        home, first = self.start(set_up=False)
        onboarding = wait_for(lambda: window_named("Snipstack"))
        self.assertTrue(onboarding, "no first-run window")
        self.assertTrue(wait_for(tray_icon), "no tray icon")

        second = self.launch(home)
        self.assertEqual(second.wait(10), 0)
        self.assertIsNone(first.poll(), "the first copy ended")
        # Not started yet, so the running copy answers with its first-run window again.
        self.assertFalse(window_named("Snipstack Settings"))

    def copy(self, *targets, handing_over=False):
        """Another program copies MIME type / text pairs and keeps the clipboard until it is ended."""
        mode = "--serve-clipboard-until-eof" if handing_over else "--serve-clipboard"
        owner = subprocess.Popen([OWNER, mode, *targets], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, owner)
        return owner

    def copy_image(self):
        owner = subprocess.Popen([OWNER, "--serve-image", "640", "480"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, owner)
        return owner

    def edit_first_entry(self, title):
        """Edit… from the context menu of the panel's first entry; the editor's window, activated."""
        xdotool("key", "--clearmodifiers", "shift+super+v")
        panel = wait_for(visible_panel)
        self.assertTrue(panel, "the shortcut did not open the panel")
        xdotool("mousemove", str(panel["X"] + 150), str(panel["Y"] + 110), "click", "3")
        time.sleep(0.5)
        xdotool("key", "Down", "Return")
        editor = wait_for(lambda: window_named(title))
        self.assertTrue(editor, f"Edit… opened no window named {title}")
        xdotool("windowactivate", "--sync", editor)
        return editor

    def paste_first_entry(self):
        """Return on the panel's first entry, opening the panel unless an editor's save left it open."""
        time.sleep(0.4)
        if not visible_panel():
            xdotool("key", "--clearmodifiers", "shift+super+v")
        self.assertTrue(wait_for(visible_panel))
        xdotool("key", "Return")

    def test_the_clipboard_outlives_the_program_that_copied(self):
        # The image copied below would open in the editor, whose text recognition only adds load here.
        home, snipstack = self.start(set_up=True, settings="openScreenshotsInEditor=false\n")
        self.assertTrue(home.wait_until_settled(), "no store was made")

        def copy_then_quit(*targets, handing_over=False):
            before = home.stored_records()
            owner = self.copy(*targets, handing_over=handing_over)
            self.assertTrue(wait_for(lambda: clipboard("TARGETS")), "the copy did not take the clipboard")
            self.assertTrue(wait_for(lambda: home.stored_records() > before), "the copy was not kept")
            if handing_over:
                owner.stdin.close()
            else:
                owner.terminate()
            self.assertIsNotNone(owner.wait(10))

        copy_then_quit("text/plain", "terminal text")
        self.assertEqual(wait_for(clipboard, timeout=2), b"terminal text")

        before = home.stored_records()
        image = self.copy_image()
        self.assertTrue(wait_for(lambda: home.stored_records() > before), "the image was not kept")
        image.terminate()
        image.wait(10)
        self.assertTrue((wait_for(lambda: clipboard("image/png"), timeout=2) or b"").startswith(b"\x89PNG"))

        copy_then_quit("text/html", "<b>rich</b>", "text/plain", "rich", handing_over=True)
        self.assertEqual(wait_for(lambda: clipboard("text/html"), timeout=2), b"<b>rich</b>")
        self.assertEqual(clipboard(), b"rich")
        records = home.stored_records()

        # A password is neither kept nor offered once its owner has gone.
        owner = self.copy("x-kde-passwordManagerHint", "secret", "text/plain", "hunter2")
        self.assertTrue(wait_for(lambda: clipboard() == b"hunter2"))
        owner.terminate()
        owner.wait(10)
        time.sleep(0.5)
        self.assertIsNone(clipboard())
        self.assertEqual(home.stored_records(), records)

    def test_the_panel_opens_at_the_right_edge_searches_and_pastes_into_the_window_in_front(self):
        home, snipstack = self.start(set_up=True)
        self.assertTrue(home.wait_until_settled(), "no store was made")
        pasted = home.folder / "pasted.txt"
        target = subprocess.Popen(["/usr/bin/python3", os.path.join(DATA, "gtk_text_window.py"), str(pasted)])
        self.addCleanup(self.stop, target)
        window = wait_for(lambda: xdotool("search", "--onlyvisible", "--name", "^Paste Target$"))
        self.assertTrue(window, "no text window")
        for text in ("alpha entry", "beta entry", "gamma entry"):
            before = home.stored_records()
            self.copy("text/plain", text)
            self.assertTrue(wait_for(lambda: clipboard() == text.encode()))
            self.assertTrue(wait_for(lambda: home.stored_records() > before), f"{text} was not kept")
        xdotool("windowactivate", "--sync", window[0])

        xdotool("key", "--clearmodifiers", "shift+super+v")
        panel = wait_for(visible_panel)
        self.assertTrue(panel, "the shortcut did not open the panel")
        self.assertEqual(panel["X"] + panel["WIDTH"], screen_width())

        # The search narrows the list to the oldest entry, which Return pastes.
        xdotool("type", "--delay", "20", "alpha")
        time.sleep(0.3)
        xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: pasted.exists() and pasted.read_text() == "alpha entry"),
                        "nothing was pasted into the window in front")
        self.assertFalse(visible_panel())
        self.assertEqual(clipboard(), b"alpha entry")

        # Escape and a click elsewhere hide it; the toggle command opens and closes it. A press right
        # after the panel hid is taken for the one that hid it, so each waits a moment.
        time.sleep(0.4)
        xdotool("key", "--clearmodifiers", "shift+super+v")
        self.assertTrue(wait_for(visible_panel))
        xdotool("key", "Escape")
        self.assertTrue(wait_for(lambda: not visible_panel()), "Escape did not hide the panel")
        time.sleep(0.4)
        xdotool("key", "--clearmodifiers", "shift+super+v")
        self.assertTrue(wait_for(visible_panel))
        xdotool("mousemove", "--window", window[0], "50", "50", "click", "1")
        self.assertTrue(wait_for(lambda: not visible_panel()), "a click elsewhere did not hide the panel")
        time.sleep(0.4)
        self.assertEqual(self.launch(home, "--toggle").wait(10), 0)
        self.assertTrue(wait_for(visible_panel), "--toggle did not open the panel")
        time.sleep(0.4)
        self.assertEqual(self.launch(home, "--toggle").wait(10), 0)
        self.assertTrue(wait_for(lambda: not visible_panel()), "--toggle did not close the panel")

    def test_under_a_compositing_manager_the_panel_fades_in_fully_and_out(self):
        compositor = subprocess.Popen(["xcompmgr"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, compositor)
        # It claims the screen's compositing selection as it starts.
        time.sleep(0.5)
        home, snipstack = self.start(set_up=True)
        self.assertTrue(home.wait_until_settled(), "no store was made")

        def opacity(window):
            shown = subprocess.run(["xprop", "-id", window, "-notype", "_NET_WM_WINDOW_OPACITY"],
                                   capture_output=True, text=True).stdout
            return int(shown.split("=")[1]) if "=" in shown else None

        for _ in range(2):
            xdotool("key", "--clearmodifiers", "shift+super+v")
            self.assertTrue(wait_for(visible_panel), "the shortcut did not open the panel")
            window = next(w for w in xdotool("search", "--onlyvisible", "--class", "snipstack")
                          if subprocess.run(["xdotool", "getwindowgeometry", w], capture_output=True,
                                            text=True).stdout.find("Geometry: 420x") >= 0)
            # Fully opaque once faded in: a fade that stopped short would leave it see-through.
            self.assertTrue(wait_for(lambda: opacity(window) in (None, 0xFFFFFFFF), timeout=2),
                            f"the panel stayed at opacity {opacity(window)}")
            xdotool("key", "Escape")
            self.assertTrue(wait_for(lambda: not visible_panel()), "the panel did not fade out and hide")
            time.sleep(0.4)

    def test_the_panel_opens_on_screens_added_and_removed_while_it_was_hidden(self):
        home, snipstack = self.start(set_up=True)
        self.assertTrue(home.wait_until_settled(), "no store was made")
        width = screen_width()
        half = width // 2
        height = int(subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True,
                                    text=True).stdout.split()[1])

        def open_at(x):
            xdotool("mousemove", str(x), "100")
            time.sleep(0.4)
            xdotool("key", "--clearmodifiers", "shift+super+v")
            panel = wait_for(visible_panel)
            self.assertTrue(panel, "the shortcut did not open the panel")
            xdotool("key", "Escape")
            self.assertTrue(wait_for(lambda: not visible_panel()))
            return panel["X"] + panel["WIDTH"]

        self.assertEqual(open_at(100), width)
        # The one screen becomes two side by side: the panel opens against the right edge of the one
        # under the pointer.
        monitors = [("left", 0, "screen"), ("right", half, "none")]
        for name, x, output in monitors:
            subprocess.run(["xrandr", "--setmonitor", name, f"{half}/100x{height}/100+{x}+0", output], check=True,
                           stdout=subprocess.DEVNULL)
        self.addCleanup(lambda: [subprocess.run(["xrandr", "--delmonitor", name], stdout=subprocess.DEVNULL,
                                                stderr=subprocess.DEVNULL) for name, _, _ in monitors])
        time.sleep(0.5)
        self.assertEqual(open_at(100), half)
        self.assertEqual(open_at(half + 100), width)
        for name, _, _ in monitors:
            subprocess.run(["xrandr", "--delmonitor", name], check=True, stdout=subprocess.DEVNULL)
        time.sleep(0.5)
        self.assertEqual(open_at(100), width)

    def test_an_image_is_found_by_the_words_in_it(self):
        home, snipstack = self.start(set_up=True, settings="openScreenshotsInEditor=false\n")
        self.assertTrue(home.wait_until_settled(), "no store was made")
        before = home.stored_records()
        owner = subprocess.Popen([OWNER, "--serve-image-text", "Quarterly invoice"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, owner)
        self.assertTrue(wait_for(lambda: home.stored_records() > before), "the image was not kept")
        before = home.stored_records()
        self.copy("text/plain", "something else")
        self.assertTrue(wait_for(lambda: home.stored_records() > before), "the text was not kept")

        # Its recognised text finds the image, which Alt+Return puts back on the clipboard.
        def found():
            xdotool("key", "--clearmodifiers", "shift+super+v")
            if not wait_for(visible_panel):
                return False
            xdotool("type", "--delay", "20", "quarterly")
            time.sleep(0.3)
            xdotool("key", "alt+Return")
            if (wait_for(lambda: clipboard("image/png"), timeout=2) or b"").startswith(b"\x89PNG"):
                return True
            xdotool("key", "Escape")
            wait_for(lambda: not visible_panel())
            time.sleep(0.4)
            return False

        self.assertTrue(wait_for(found, timeout=30, interval=0.5), "the image's words did not find it")

    def test_formatted_text_with_an_image_is_edited_and_saved_as_a_new_entry(self):
        home, snipstack = self.start(set_up=True)
        self.assertTrue(home.wait_until_settled(), "no store was made")
        # A one-pixel PNG, as a web page's inline image.
        pixel = ("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC")
        html = f'<p>hello <img src="data:image/png;base64,{pixel}" width="8" height="8"> world</p>'
        before = home.stored_records()
        self.copy("text/html", html, "text/plain", "hello world")
        self.assertTrue(wait_for(lambda: home.stored_records() > before), "the copy was not kept")

        editor = self.edit_first_entry("Edit Text")
        before = home.stored_records()
        xdotool("key", "--clearmodifiers", "ctrl+a", "ctrl+b", "ctrl+s")
        self.assertTrue(wait_for(lambda: not window_named("Edit Text")), "Save did not close the editor")
        self.assertTrue(wait_for(lambda: home.stored_records() > before), "the edit was not kept")

        # The new entry is at the top: pasting it puts its representations on the clipboard.
        self.paste_first_entry()
        self.assertTrue(wait_for(lambda: b"\\b" in (clipboard("text/rtf") or b"")), "the saved RTF is not bold")
        self.assertIn(b"data:image/png;base64,", clipboard("text/html") or b"")
        plain = clipboard() or b""
        self.assertTrue(plain.startswith(b"hello") and "\ufffc".encode() not in plain, plain)

    def test_an_image_is_drawn_on_in_the_editor_and_saved_as_a_new_entry(self):
        home, snipstack = self.start(set_up=True, settings="openScreenshotsInEditor=false\n")
        self.assertTrue(home.wait_until_settled(), "no store was made")
        original = screenshot_png(480, 320)
        before = home.stored_records()
        copy = subprocess.Popen(["xclip", "-selection", "clipboard", "-t", "image/png", "-quiet"],
                                stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, copy)
        copy.stdin.write(original)
        copy.stdin.close()
        self.assertTrue(wait_for(lambda: home.stored_records() > before), "the image was not kept")
        self.assertFalse(window_named("Edit Image"), "the editor opened though the setting says not to")

        editor = self.edit_first_entry("Edit Image")
        # The Pen tool is the toolbar's second button; then a stroke across the middle of the image.
        xdotool("mousemove", "--window", editor, "150", "24", "click", "1")
        xdotool("mousemove", "--window", editor, "300", "400", "mousedown", "1")
        for x in range(320, 700, 40):
            xdotool("mousemove", "--window", editor, str(x), str(400 + (x % 80)))
        xdotool("mouseup", "1")
        before = home.stored_records()
        xdotool("key", "--clearmodifiers", "ctrl+s")
        self.assertTrue(wait_for(lambda: not window_named("Edit Image")), "Save did not close the editor")
        self.assertTrue(wait_for(lambda: home.stored_records() > before), "the edit was not kept")

        # The new entry is at the top, with the stroke in the pen's red; the original is below it, unchanged.
        self.paste_first_entry()
        saved = wait_for(lambda: clipboard("image/png") if clipboard("image/png") != original else None)
        self.assertTrue(saved and saved.startswith(b"\x89PNG"), "the top entry is not the edited image")
        self.assertIn("#FF3B30", unique_colours(saved))
        time.sleep(0.4)
        xdotool("key", "--clearmodifiers", "shift+super+v")
        self.assertTrue(wait_for(visible_panel))
        xdotool("key", "Down", "Return")
        self.assertTrue(wait_for(lambda: clipboard("image/png") == original), "the original entry changed")

    def test_a_new_screenshot_opens_in_the_editor_where_its_words_are_selected_and_copied(self):
        home, snipstack = self.start(set_up=True)
        self.assertTrue(home.wait_until_settled(), "no store was made")
        owner = subprocess.Popen([OWNER, "--serve-image-text", "Quarterly invoice"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, owner)
        editor = wait_for(lambda: window_named("Edit Image"))
        self.assertTrue(editor, "the new screenshot did not open in the editor")
        xdotool("windowactivate", "--sync", editor)

        # A drag across the line of text, from beside its first word to beside its last, once the words
        # are recognised.
        def copied():
            xdotool("mousemove", "--window", editor, "120", "390", "mousedown", "1")
            xdotool("mousemove", "--window", editor, "500", "392")
            xdotool("mousemove", "--window", editor, "880", "395", "mouseup", "1")
            xdotool("key", "--clearmodifiers", "ctrl+c")
            return wait_for(lambda: clipboard() == b"Quarterly invoice", timeout=1)

        self.assertTrue(wait_for(copied, timeout=30, interval=0.5), clipboard())

    def test_a_set_up_copy_keeps_copies_opens_settings_and_quits_from_the_tray(self):
        home, first = self.start(set_up=True)
        self.assertTrue(wait_for(tray_icon), "no tray icon")
        self.assertTrue(home.wait_until_settled(), "no store was made")
        before = home.stored_records()

        copy = subprocess.Popen(["xclip", "-selection", "clipboard", "-loops", "1"], stdin=subprocess.PIPE)
        copy.communicate(b"copied by a user")
        self.assertTrue(wait_for(lambda: home.stored_records() > before, timeout=10), "the copy was not kept")

        second = self.launch(home)
        self.assertEqual(second.wait(10), 0)
        settings = wait_for(lambda: window_named("Snipstack Settings"))
        self.assertTrue(settings, "the running copy showed no settings")

        # Closing the settings window leaves the program running.
        xdotool("windowactivate", "--sync", settings)
        xdotool("key", "--clearmodifiers", "alt+F4")
        self.assertTrue(wait_for(lambda: not window_named("Snipstack Settings")), "settings did not close")
        time.sleep(0.3)
        self.assertIsNone(first.poll())

        # "Quit Snipstack" is the menu's last item.
        icon = tray_icon()
        xdotool("mousemove", str(int(icon["X"]) + 11), str(int(icon["Y"]) + 11), "click", "3")
        self.assertTrue(wait_for(lambda: len(xdotool("search", "--onlyvisible", "--class", "snipstack")) > 1))
        time.sleep(0.3)
        xdotool("key", "Up", "Return")
        self.assertEqual(first.wait(10), 0)


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    OWNER = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
