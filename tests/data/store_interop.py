#!/usr/bin/env python3
"""Writes and reads encrypted history stores without any of the C++ code, for InteropTest.cpp.

Usage: store_interop.py write CIPHER BASE KEYFILE   makes a complete store under BASE, its new key in KEYFILE
       store_interop.py read BASE KEYFILE          opens the live store under BASE with the key in KEYFILE

Both print, as a binary property list, what the store holds: "manifest", and under each entry's ID
its decoded "meta" and "blob" records and its "thumb" bytes. Any authentication or format failure
exits with 1.
Needs the "cryptography" package; Debian's python3-cryptography serves /usr/bin/python3 only.
"""

import os
import plistlib
import sys
import uuid
from datetime import datetime, timedelta

from cryptography.exceptions import InvalidTag
from cryptography.hazmat.primitives.ciphers.aead import AESGCM, ChaCha20Poly1305

KINDS = ("meta", "blob", "thumb")
KEY_SIZES = {"aes-256-gcm": 32, "aes-128-gcm": 16, "chacha20-poly1305": 32}
ITEM_TYPES = {
    "id": str, "createdAt": datetime, "lastUsedAt": datetime, "kind": str, "text": str, "ocrText": str,
    "sourceAppName": str, "sourceBundleID": str, "isPinned": bool, "contentHash": bytes, "byteCount": int,
    "imageWidth": int, "imageHeight": int, "hasRichPreview": bool,
}
REQUIRED = {"id", "createdAt", "lastUsedAt", "kind", "text", "isPinned", "contentHash", "byteCount"}


def fail(message):
    sys.exit(f"store_interop: {message}")


def require(condition, message):
    if not condition:
        fail(message)


def cipher_box(cipher, key):
    require(KEY_SIZES.get(cipher) == len(key), f"cipher {cipher!r} with a {len(key)}-byte key")
    return ChaCha20Poly1305(key) if cipher == "chacha20-poly1305" else AESGCM(key)


def associated_data(store_id, kind, entry_id):
    # Records are bound to their store, kind and entry, the entry's UUID written in upper case.
    return f"ZK1|{store_id}|{kind}|{entry_id.upper()}".encode()


def seal(box, store_id, kind, entry_id, plaintext):
    nonce = os.urandom(12)
    return b"ZKR1" + nonce + box.encrypt(nonce, plaintext, associated_data(store_id, kind, entry_id))


def open_record(box, store_id, kind, entry_id, record):
    require(record.startswith(b"ZKR1") and len(record) >= 32, f"{kind}/{entry_id} is not a sealed record")
    try:
        return box.decrypt(record[4:16], record[16:], associated_data(store_id, kind, entry_id))
    except InvalidTag:
        fail(f"{kind}/{entry_id} fails authentication")


def binary_plist(data, what):
    require(data.startswith(b"bplist00"), f"{what} is not a binary property list")
    try:
        return plistlib.loads(data, fmt=plistlib.FMT_BINARY)
    except Exception as error:  # plistlib raises several types for malformed input
        fail(f"{what} does not decode: {error!r}")


def put(path, data):
    with open(path, "wb") as file:
        file.write(data)


def sample_entries():
    """(stored entry without id, dates, hash and size; representations; thumbnail) of each kind."""
    accented = "Grüße aus Köln – 剪贴板 📋 e\u0301"
    return [
        ({"kind": "text", "text": accented, "sourceAppName": "Éditeur", "sourceBundleID": "org.example.editor",
          "isPinned": True},
         [("public.utf8-plain-text", accented.encode()), ("public.rtf", b"{\\rtf1\\ansi Gr\\'fc\\'dfe}")], None),
        ({"kind": "text", "text": "plain ascii", "hasRichPreview": True},
         [("public.utf8-plain-text", b"plain ascii"), ("public.html", b"")], os.urandom(1500)),
        ({"kind": "image", "text": "Image 4032 × 3024", "imageWidth": 4032, "imageHeight": 3024,
          "ocrText": "Straße 12", "hasRichPreview": False},
         [("public.png", os.urandom(300 * 1024)), ("public.tiff", os.urandom(100))], os.urandom(4096)),
        ({"kind": "file", "text": "rapport.pdf", "sourceAppName": "Fichiers"},
         [("public.file-url", b"file:///home/u/r%C3%A9port.pdf"), ("public.file-url", b"file:///tmp/b")], None),
        ({"kind": "file", "text": ""}, [], None),
    ]


def write(cipher, base, key_file):
    require(cipher in KEY_SIZES, f"unknown cipher {cipher!r}")
    key = os.urandom(KEY_SIZES[cipher])
    box = cipher_box(cipher, key)
    store_id, key_id = str(uuid.uuid4()).upper(), str(uuid.uuid4()).upper()
    store = os.path.join(base, "Stores", store_id)
    for kind in KINDS:
        os.makedirs(os.path.join(store, kind), mode=0o700)
    created = datetime(2024, 5, 17, 13, 45, 30, 123456)
    manifest = {"version": 1, "storeID": store_id, "keyID": key_id, "createdAt": created, "cipher": cipher}
    put(os.path.join(store, "manifest"), plistlib.dumps(manifest, fmt=plistlib.FMT_BINARY))
    put(os.path.join(base, "current"), f"{store_id}\n".encode())
    # What a killed atomic write leaves behind; no reader may pick it up.
    put(os.path.join(store, "meta", f".{str(uuid.uuid4()).upper()}.tmp"), b"ZKR1" + os.urandom(60))
    put(key_file, key)
    contents = {"manifest": manifest}
    for index, (item, representations, thumbnail) in enumerate(sample_entries()):
        entry_id = str(uuid.uuid4()).upper()
        item.update({"id": entry_id, "isPinned": item.get("isPinned", False), "contentHash": os.urandom(32),
                     "createdAt": created - timedelta(days=index),
                     "lastUsedAt": created + timedelta(minutes=index, microseconds=index * 1001),
                     "byteCount": sum(len(data) for _, data in representations)})
        records = {"meta": item, "blob": {"representations": [{"type": t, "data": d} for t, d in representations]}}
        plaintexts = {kind: plistlib.dumps(value, fmt=plistlib.FMT_BINARY) for kind, value in records.items()}
        if thumbnail is not None:
            records["thumb"] = plaintexts["thumb"] = thumbnail
        for kind, plaintext in plaintexts.items():
            put(os.path.join(store, kind, entry_id), seal(box, store_id, kind, entry_id, plaintext))
        contents[entry_id] = records
    sys.stdout.buffer.write(plistlib.dumps(contents, fmt=plistlib.FMT_BINARY))


def read(base, key_file):
    with open(os.path.join(base, "current"), "rb") as file:
        store_id = file.read().decode().strip()
    require(os.listdir(os.path.join(base, "Stores")) == [store_id], "B/Stores holds more than the live store")
    store = os.path.join(base, "Stores", store_id)
    with open(os.path.join(store, "manifest"), "rb") as file:
        manifest = binary_plist(file.read(), "the manifest")
    with open(key_file, "rb") as file:
        box = cipher_box(manifest["cipher"], file.read())
    contents = {"manifest": manifest}
    for kind in KINDS:
        for name in os.listdir(os.path.join(store, kind)):
            require(name == str(uuid.UUID(name)).upper(), f"{kind}/{name} is not an upper-case UUID")
            with open(os.path.join(store, kind, name), "rb") as file:
                plaintext = open_record(box, store_id, kind, name, file.read())
            record = plaintext if kind == "thumb" else binary_plist(plaintext, f"{kind}/{name}")
            require(kind != "meta" or (REQUIRED <= set(record) and all(
                ITEM_TYPES.get(key) is type(value) for key, value in record.items())), f"meta/{name}: {record!r:.300}")
            contents.setdefault(name, {})[kind] = record
    sys.stdout.buffer.write(plistlib.dumps(contents, fmt=plistlib.FMT_BINARY))


if __name__ == "__main__":
    mode = {"write": write, "read": read}.get(sys.argv[1] if len(sys.argv) > 1 else "")
    require(mode and len(sys.argv) == (5 if mode == write else 4), __doc__.split("\n\n")[1])
    mode(*sys.argv[2:])
