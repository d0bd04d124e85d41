"""Copies a WIDTH x HEIGHT image as GTK 3 programs do (gtk_clipboard_set_image), then serves it
until it is ended. Needs Debian's python3-gi and gir1.2-gtk-3.0."""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib, Gdk, Gtk  # noqa: E402

width, height = int(sys.argv[1]), int(sys.argv[2])
row = bytes((x * 7) % 256 for x in range(width * 3))
pixels = GLib.Bytes.new(row * height)
image = GdkPixbuf.Pixbuf.new_from_bytes(pixels, GdkPixbuf.Colorspace.RGB, False, 8, width, height, width * 3)
clipboard = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)
clipboard.set_image(image)

Gtk.main()
