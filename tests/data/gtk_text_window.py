"""A small GTK 3 text window titled "Paste Target" that writes what it holds to the file named by
its argument on every change, so a test can see what was pasted into it. Needs Debian's python3-gi
and gir1.2-gtk-3.0."""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

output = sys.argv[1]
window = Gtk.Window(title="Paste Target")
window.set_default_size(400, 200)
view = Gtk.TextView()
window.add(view)


def changed(buffer):
    start, end = buffer.get_bounds()
    with open(output, "w", encoding="utf-8") as file:
        file.write(buffer.get_text(start, end, True))


view.get_buffer().connect("changed", changed)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
