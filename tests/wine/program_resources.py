"""Checks a Windows program's version information and manifest, read from
the resource section of its PE file with the standard library alone.

Usage: program_resources.py VERSION FILE.exe JAPANESE_DESCRIPTION

VERSION is the project's (1.0.0). Prints what is wrong, one line each, and
exits with 1 when anything is; with 0, printing nothing, when all is right.
"""
import struct
import sys
import xml.etree.ElementTree as ET

RT_VERSION = 16
RT_MANIFEST = 24
OWN_COMPANY = "Zelvorin developers"
COPYRIGHT = "Copyright (C) 2026 Zelvorin developers"
JAPANESE, ENGLISH = 0x0411, 0x0409
UNICODE = 1200
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Windows Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


def resources(data):
    """{(type, name, language): bytes} of every resource in the PE file."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    if rsrc_rva == 0:
        return {}
    table = [struct.unpack_from("<8xIIII", data, optional + optional_size + 40 * i)
             for i in range(sections)]

    def offset(rva):
        for size, address, raw_size, raw in table:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("RVA %#x in no section" % rva)

    base = offset(rsrc_rva)
    found = {}

    def walk(directory, path):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, at)[0]
                name = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            if target & 0x80000000:
                walk(target & 0x7FFFFFFF, path + (name,))
            else:
                rva, size = struct.unpack_from("<II", data, base + target)
                found[path + (name,)] = data[offset(rva):offset(rva) + size]

    walk(0, ())
    return found


def align(at):
    return (at + 3) & ~3


def version_block(data, at):
    """(key, value, children) of the version block at `at`, and where the
    next one begins. A text value is a str; a binary one, bytes."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    p = align(key_end + 2)
    if kind == 1:
        # In characters; the end is taken at the first NUL all the same.
        value = data[p:min(end, p + 2 * value_length)].decode("utf-16-le").split("\0")[0]
        p += 2 * value_length
    else:
        value = data[p:p + value_length]
        p += value_length
    children = []
    p = align(p)
    while p < end:
        child, p = version_block(data, p)
        children.append(child)
    return (key, value, children), align(end)


def check(version, path, japanese_description):
    name = path.replace("\\", "/").rsplit("/", 1)[-1]
    wrong = []
    with open(path, "rb") as f:
        found = resources(f.read())

    versions = [v for k, v in found.items() if k[0] == RT_VERSION]
    if len(versions) != 1:
        return ["%d version resources, not one" % len(versions)]
    (key, fixed, children), _ = version_block(versions[0], 0)
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        return ["the version resource is no VS_VERSION_INFO"]
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    parts = [int(n) for n in version.split(".")] + [0] * (4 - len(version.split(".")))
    numbers = ((parts[0] << 16 | parts[1]), (parts[2] << 16 | parts[3]))
    if signature != 0xFEEF04BD:
        wrong.append("VS_FIXEDFILEINFO has no signature")
    if (file_ms, file_ls) != numbers or (product_ms, product_ls) != numbers:
        wrong.append("FILEVERSION %d,%d,%d,%d, not %s" % (
            file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF, version))

    tables = {}
    translations = []
    for key, _, blocks in children:
        if key == "StringFileInfo":
            for table, _, strings in blocks:
                tables[table.upper()] = {k: v for k, v, _ in strings}
        elif key == "VarFileInfo":
            for var, value, _ in blocks:
                if var == "Translation":
                    translations += [struct.unpack_from("<HH", value, i)
                                     for i in range(0, len(value) - 3, 4)]
    if sorted(translations) != sorted([(JAPANESE, UNICODE), (ENGLISH, UNICODE)]):
        wrong.append("Translation lists %s" % translations)
    want = {"%04X%04X" % (JAPANESE, UNICODE), "%04X%04X" % (ENGLISH, UNICODE)}
    if set(tables) != want:
        wrong.append("string tables %s, not %s" % (sorted(tables), sorted(want)))
    descriptions = {}
    for table, strings in sorted(tables.items()):
        expected = {
            "ProductName": "Zelvorin",
            "FileVersion": version,
            "ProductVersion": version,
            "LegalCopyright": COPYRIGHT,
            "OriginalFilename": name,
            "InternalName": name.rsplit(".", 1)[0],
        }
        for field, value in expected.items():
            if strings.get(field) != value:
                wrong.append("%s %s is %r, not %r" % (table, field, strings.get(field), value))
        if strings.get("CompanyName", OWN_COMPANY) != OWN_COMPANY:
            wrong.append("%s CompanyName is %r" % (table, strings["CompanyName"]))
        descriptions[table[:4]] = strings.get("FileDescription", "")
    japanese = descriptions.get("%04X" % JAPANESE)
    english = descriptions.get("%04X" % ENGLISH)
    if japanese != japanese_description:
        wrong.append("the Japanese FileDescription is %r, not %r" % (japanese, japanese_description))
    if not english or not english.isascii() or english == japanese:
        wrong.append("the English FileDescription is %r" % english)

    manifests = [v for k, v in found.items() if k[0] == RT_MANIFEST]
    if len(manifests) != 1:
        return wrong + ["%d manifests, not one" % len(manifests)]
    text = manifests[0].decode("utf-8")
    root = ET.fromstring(text.lstrip("\ufeff"))
    local = lambda element: element.tag.rsplit("}", 1)[-1]
    levels = [e.get("level") for e in root.iter() if local(e) == "requestedExecutionLevel"]
    if levels != ["asInvoker"]:
        wrong.append("requestedExecutionLevel %s, not asInvoker" % levels)
    systems = {e.get("Id", "").lower() for e in root.iter() if local(e) == "supportedOS"}
    for guid, system in SUPPORTED_OS.items():
        if guid not in systems:
            wrong.append("the manifest does not name %s as supported" % system)
    if "longpathaware" in text.lower():
        wrong.append("the manifest declares longPathAware")
    return wrong


def main():
    version, path, japanese_description = sys.argv[1:4]
    wrong = check(version, path, japanese_description)
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
