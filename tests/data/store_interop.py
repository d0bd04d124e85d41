#!/usr/bin/env python3
"""Writes and reads encrypted history stores without any of the C++ code, for InteropTest.cpp.

Usage: store_interop.py write BASE CIPHER   makes a complete store under BASE with a fresh key
       store_interop.py read BASE KEYHEX    opens the live store under BASE and decodes every record

Both modes print one line per fact, in the format InteropTest.cpp rebuilds from its own side:
  key KEYID KEYHEX                                   (write only)
  manifest STOREID KEYID CIPHER VERSION CREATEDAT
  item ID KIND CREATEDAT LASTUSEDAT TEXT OCRTEXT APPNAME BUNDLEID PINNED HASH BYTECOUNT WIDTH HEIGHT RICH
  rep ID INDEX TYPE DATA
  thumb ID DATA
Strings and bytes are "x" + hex (strings as UTF-8), dates the hex of their big-endian double,
booleans 0 or 1, absent optional fields "-". Any authentication or format failure exits with 1.
Needs the "cryptography" package; Debian's python3-cryptography serves /usr/bin/python3 only.
"""

import hashlib
import os
import plistlib
import stat
import struct
import sys
import uuid
from datetime import datetime, timedelta

from cryptography.exceptions import InvalidTag
from cryptography.hazmat.primitives.ciphers.aead import AESGCM, ChaCha20Poly1305

EPOCH = datetime(2001, 1, 1)
KINDS = ("meta", "blob", "thumb")
KEY_SIZES = {"aes-256-gcm": 32, "aes-128-gcm": 16, "chacha20-poly1305": 32}
ITEM_TYPES = {
    "id": str, "createdAt": datetime, "lastUsedAt": datetime, "kind": str, "text": str, "ocrText": str,
    "sourceAppName": str, "sourceBundleID": str, "isPinned": bool, "contentHash": bytes, "byteCount": int,
    "imageWidth": int, "imageHeight": int, "hasRichPreview": bool,
}
OPTIONAL = {"ocrText", "sourceAppName", "sourceBundleID", "imageWidth", "imageHeight", "hasRichPreview"}


def fail(message):
    print(f"store_interop: {message}", file=sys.stderr)
    sys.exit(1)


def require(condition, message):
    if not condition:
        fail(message)


def cipher_box(cipher, key):
    require(KEY_SIZES.get(cipher) == len(key), f"cipher {cipher!r} with a {len(key)}-byte key")
    return ChaCha20Poly1305(key) if cipher == "chacha20-poly1305" else AESGCM(key)


def associated_data(store_id, kind, entry_id):
    return f"ZK1|{store_id}|{kind}|{entry_id}".encode()


def seal(box, store_id, kind, entry_id, plaintext):
    nonce = os.urandom(12)
    return b"ZKR1" + nonce + box.encrypt(nonce, plaintext, associated_data(store_id, kind, entry_id))


def open_record(box, store_id, kind, entry_id, record):
    require(record.startswith(b"ZKR1") and len(record) >= 32, f"{kind}/{entry_id} is not a sealed record")
    try:
        return box.decrypt(record[4:16], record[16:], associated_data(store_id, kind, entry_id))
    except InvalidTag:
        fail(f"{kind}/{entry_id} fails authentication")


def hx(value):
    return "x" + (value.encode() if isinstance(value, str) else value).hex()


def date(value):
    # plistlib turns a datetime into exactly this double when writing.
    return struct.pack(">d", (value - EPOCH).total_seconds()).hex()


def flag(value):
    return "1" if value else "0"


def describe_manifest(manifest):
    return " ".join(["manifest", manifest["storeID"], manifest["keyID"], manifest["cipher"],
                     str(manifest["version"]), date(manifest["createdAt"])])


def describe_item(item):
    def optional(key, form):
        return form(item[key]) if key in item else "-"
    return " ".join([
        "item", item["id"], item["kind"], date(item["createdAt"]), date(item["lastUsedAt"]), hx(item["text"]),
        optional("ocrText", hx), optional("sourceAppName", hx), optional("sourceBundleID", hx),
        flag(item["isPinned"]), hx(item["contentHash"]), str(item["byteCount"]),
        optional("imageWidth", str), optional("imageHeight", str), optional("hasRichPreview", flag)])


def describe_payload(entry_id, representations):
    return [f"rep {entry_id} {i} {hx(kind)} {hx(data)}" for i, (kind, data) in enumerate(representations)]


def binary_plist(plaintext, what):
    require(plaintext.startswith(b"bplist00"), f"{what} is not a binary property list")
    try:
        return plistlib.loads(plaintext, fmt=plistlib.FMT_BINARY)
    except Exception as error:  # plistlib raises several types for malformed input
        fail(f"{what} does not decode: {error!r}")


def sample_entries():
    """(stored entry without id and dates, representations, thumbnail) for a few entries of each kind."""
    accented = "Grüße aus Köln – 剪贴板 📋 e\u0301"
    return [
        ({"kind": "text", "text": accented, "sourceAppName": "Éditeur", "sourceBundleID": "org.example.editor",
          "isPinned": True},
         [("public.utf8-plain-text", accented.encode()), ("public.rtf", b"{\\rtf1\\ansi Gr\\'fc\\'dfe}")], None),
        # Readers ignore keys they do not know.
        ({"kind": "text", "text": "plain ascii", "hasRichPreview": True, "futureField": "unknown"},
         [("public.utf8-plain-text", b"plain ascii"), ("public.html", b"")], os.urandom(1500)),
        ({"kind": "image", "text": "Image 4032 × 3024", "imageWidth": 4032, "imageHeight": 3024,
          "ocrText": "Straße 12", "hasRichPreview": False},
         [("public.png", os.urandom(300 * 1024)), ("public.tiff", os.urandom(100))], os.urandom(4096)),
        ({"kind": "image", "text": "Screenshot", "imageWidth": 1, "imageHeight": 1},
         [("public.png", b"\x89PNG\r\n\x1a\n")], os.urandom(64)),
        ({"kind": "file", "text": "rapport.pdf", "sourceAppName": "Fichiers"},
         [("public.file-url", b"file:///home/u/r%C3%A9port.pdf"), ("public.file-url", b"file:///tmp/b")], None),
        ({"kind": "file", "text": ""}, [], None),
    ]


def write(base, cipher):
    require(cipher in KEY_SIZES, f"unknown cipher {cipher!r}")
    key = os.urandom(KEY_SIZES[cipher])
    box = cipher_box(cipher, key)
    store_id, key_id = str(uuid.uuid4()).upper(), str(uuid.uuid4()).upper()
    store = os.path.join(base, "Stores", store_id)
    for kind in KINDS:
        os.makedirs(os.path.join(store, kind), mode=0o700)
    created = datetime(2024, 5, 17, 13, 45, 30, 123456)
    manifest = {"version": 1, "storeID": store_id, "keyID": key_id, "createdAt": created, "cipher": cipher}
    with open(os.path.join(store, "manifest"), "wb") as file:
        file.write(plistlib.dumps(manifest, fmt=plistlib.FMT_BINARY))
    with open(os.path.join(base, "current"), "w") as file:
        file.write(store_id + "\n")
    # What a killed atomic write leaves behind; no reader may pick it up.
    for kind in ("meta", "blob"):
        with open(os.path.join(store, kind, f".{str(uuid.uuid4()).upper()}.tmp"), "wb") as file:
            file.write(b"ZKR1" + os.urandom(60))

    lines = [f"key {key_id} {key.hex()}", describe_manifest(manifest)]
    for index, (item, representations, thumbnail) in enumerate(sample_entries()):
        entry_id = str(uuid.uuid4()).upper()
        used = created + timedelta(minutes=index, microseconds=index * 1001)
        item.update({"id": entry_id, "createdAt": created - timedelta(days=index), "lastUsedAt": used,
                     "contentHash": hashlib.sha256(representations[0][1] if representations else b"").digest(),
                     "byteCount": sum(len(data) for _, data in representations)})
        item.setdefault("isPinned", False)
        payload = {"representations": [{"type": kind, "data": data} for kind, data in representations]}
        records = {"meta": plistlib.dumps(item, fmt=plistlib.FMT_BINARY),
                   "blob": plistlib.dumps(payload, fmt=plistlib.FMT_BINARY), "thumb": thumbnail}
        for kind, plaintext in records.items():
            if plaintext is not None:
                with open(os.path.join(store, kind, entry_id), "wb") as file:
                    file.write(seal(box, store_id, kind, entry_id, plaintext))
        lines.append(describe_item(item))
        lines.extend(describe_payload(entry_id, representations))
        if thumbnail is not None:
            lines.append(f"thumb {entry_id} {hx(thumbnail)}")
    print("\n".join(lines))


def check_mode(path, mode):
    actual = stat.S_IMODE(os.lstat(path).st_mode)
    require(actual == mode, f"{path} has mode {actual:o}, expected {mode:o}")


def read(base, key_hex):
    with open(os.path.join(base, "current"), "rb") as file:
        store_id = file.read().decode().strip()
    check_mode(os.path.join(base, "current"), 0o600)
    require(os.listdir(os.path.join(base, "Stores")) == [store_id], "B/Stores holds more than the live store")
    store = os.path.join(base, "Stores", store_id)
    check_mode(store, 0o700)
    check_mode(os.path.join(store, "manifest"), 0o600)
    with open(os.path.join(store, "manifest"), "rb") as file:
        manifest = binary_plist(file.read(), "the manifest")
    require(isinstance(manifest, dict) and set(manifest) == {"version", "storeID", "keyID", "createdAt", "cipher"},
            f"manifest keys {sorted(manifest)}")
    require(type(manifest["version"]) is int and manifest["storeID"] == store_id
            and isinstance(manifest["createdAt"], datetime), "manifest field types")
    box = cipher_box(manifest["cipher"], bytes.fromhex(key_hex))

    lines = [describe_manifest(manifest)]
    names = {}
    for kind in KINDS:
        folder = os.path.join(store, kind)
        check_mode(folder, 0o700)
        names[kind] = set(os.listdir(folder))
        for name in sorted(names[kind]):
            require(name == str(uuid.UUID(name)).upper(), f"{kind}/{name} is not an upper-case UUID")
            path = os.path.join(folder, name)
            check_mode(path, 0o600)
            with open(path, "rb") as file:
                plaintext = open_record(box, store_id, kind, name, file.read())
            if kind == "meta":
                item = binary_plist(plaintext, f"meta/{name}")
                require(isinstance(item, dict) and set(item) <= set(ITEM_TYPES)
                        and set(ITEM_TYPES) - OPTIONAL <= set(item), f"meta/{name} keys {sorted(item)}")
                for key, value in item.items():
                    require(type(value) is ITEM_TYPES[key], f"meta/{name} {key} is a {type(value).__name__}")
                require(item["id"] == name and item["kind"] in ("text", "image", "file"), f"meta/{name} id or kind")
                lines.append(describe_item(item))
            elif kind == "blob":
                payload = binary_plist(plaintext, f"blob/{name}")
                require(isinstance(payload, dict) and set(payload) == {"representations"}, f"blob/{name} keys")
                representations = []
                for element in payload["representations"]:
                    require(isinstance(element, dict) and set(element) == {"type", "data"}
                            and type(element["type"]) is str and type(element["data"]) is bytes,
                            f"blob/{name} representation {element!r:.80}")
                    representations.append((element["type"], element["data"]))
                lines.extend(describe_payload(name, representations))
            else:
                lines.append(f"thumb {name} {hx(plaintext)}")
    require(names["meta"] == names["blob"] and names["thumb"] <= names["meta"], "records without their entry")
    print("\n".join(lines))


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("write", "read"):
        fail(__doc__.split("\n\n")[1])
    (write if sys.argv[1] == "write" else read)(sys.argv[2], sys.argv[3])


if __name__ == "__main__":
    main()
