#!/usr/bin/env python3
"""Reads a Windows 11 identity package (.msix) back, with code of its own, and says what is wrong.

  read_package.py PACKAGE --clsid {GUID} --name NAME --version A.B.C.D --dll NAME --exe NAME
                  [--ca CA.pem] [--stranger-ca CA.pem] [--signer-cert CERT.pem]
                  [--dll-file FILE] [--setup-script varnolt.nsi]

Checks the ZIP container entry by entry (local headers against the central directory, no data
descriptor, payload stored, nothing hidden between entries), every block hash and local header
size of AppxBlockMap.xml, the content types, the manifest's elements and namespaces, that the
manifest's Publisher is the subject of the certificate that signed the package, and, when given,
the signature up to a trusted authority (and not up to a stranger), the CLSID in the extension's
bytes and the extension's name in what the setup program installs. Prints one line per fault and
ends with status 1 when there is any.
"""
import argparse
import base64
import hashlib
import io
import os
import re
import struct
import subprocess
import sys
import uuid
import xml.etree.ElementTree as ElementTree
import zlib

FOUNDATION = "http://schemas.microsoft.com/appx/manifest/foundation/windows10"
NAMESPACES = {
    "uap": "http://schemas.microsoft.com/appx/manifest/uap/windows10",
    "uap10": "http://schemas.microsoft.com/appx/manifest/uap/windows10/10",
    "rescap": "http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities",
    "desktop4": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/4",
    "desktop5": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/5",
    "desktop6": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/6",
    "com": "http://schemas.microsoft.com/appx/manifest/com/windows10",
}
BLOCKMAP = "http://schemas.microsoft.com/appx/2010/blockmap"
CONTENT_TYPES = "http://schemas.openxmlformats.org/package/2006/content-types"
# Written by the packer and the signer, not listed in the block map; the signer deflates both.
FOOTPRINT = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}
SIGNER_DEFLATED = {"[Content_Types].xml", "AppxSignature.p7x"}

faults = []


def fault(message):
    faults.append(message)


# --- ZIP ------------------------------------------------------------------------------------

class Entry:
    pass


def read_zip(data):
    """The entries in the order of the central directory, with their uncompressed bytes."""
    end = data.rfind(b"PK\x05\x06")
    if end < 0 or end + 22 != len(data):
        raise ValueError("no end of central directory record at the end of the file")
    disk, cd_disk, on_disk, count, cd_size, cd_offset, comment = struct.unpack_from("<HHHHIIH", data, end + 4)
    if disk or cd_disk or on_disk != count or comment:
        raise ValueError("a split archive or an archive comment")
    if cd_offset + cd_size != end:
        raise ValueError("the central directory does not end where its end record begins")
    entries = []
    at = cd_offset
    for _ in range(count):
        if data[at:at + 4] != b"PK\x01\x02":
            raise ValueError(f"central directory entry expected at {at}")
        (made_by, needed, flags, method, _time, _date, crc, compressed, size, name_length, extra_length,
         comment_length, _disk, _internal, _external, offset) = struct.unpack_from("<HHHHHHIIIHHHHHII", data, at + 4)
        entry = Entry()
        entry.name = data[at + 46:at + 46 + name_length].decode("ascii")
        entry.flags, entry.method, entry.crc = flags, method, crc
        entry.compressed, entry.size, entry.offset = compressed, size, offset
        if extra_length or comment_length:
            fault(f"{entry.name}: the central directory gives it an extra field or a comment")
        at += 46 + name_length + extra_length + comment_length
        entries.append(entry)
    if at != end:
        raise ValueError("the central directory holds more than its entries")

    expected_offset = 0  # entries follow one another from the start, nothing in between
    for entry in entries:
        if entry.offset != expected_offset:
            fault(f"{entry.name}: its local header is at {entry.offset}, not right after the previous entry")
        if data[entry.offset:entry.offset + 4] != b"PK\x03\x04":
            raise ValueError(f"{entry.name}: no local header at {entry.offset}")
        (needed, flags, method, _time, _date, crc, compressed, size, name_length,
         extra_length) = struct.unpack_from("<HHHHHIIIHH", data, entry.offset + 4)
        local_name = data[entry.offset + 30:entry.offset + 30 + name_length].decode("ascii")
        entry.lfh_size = 30 + name_length + extra_length
        if (local_name, flags, method, crc, compressed, size) != \
                (entry.name, entry.flags, entry.method, entry.crc, entry.compressed, entry.size):
            fault(f"{entry.name}: its local header differs from its central directory entry")
        if flags & 0x0008:
            fault(f"{entry.name}: has a data descriptor")
        if flags & 0x0001:
            fault(f"{entry.name}: is encrypted")
        if needed not in (20, 45):
            fault(f"{entry.name}: needs ZIP version {needed}")
        start = entry.offset + entry.lfh_size
        raw = data[start:start + entry.compressed]
        expected_offset = start + entry.compressed
        if entry.method == 0:
            entry.data = raw
            if entry.compressed != entry.size:
                fault(f"{entry.name}: stored, yet its two sizes differ")
        elif entry.method == 8:
            entry.data = zlib.decompress(raw, -15)
        else:
            raise ValueError(f"{entry.name}: compression method {entry.method}")
        if len(entry.data) != entry.size or zlib.crc32(entry.data) != entry.crc:
            fault(f"{entry.name}: its size or CRC-32 does not match its bytes")
    if expected_offset != cd_offset:
        fault("bytes between the last entry and the central directory")
    return entries


# --- Block map and content types -------------------------------------------------------------

def check_block_map(entries):
    by_name = {entry.name: entry for entry in entries}
    for name in ("AppxManifest.xml", "AppxBlockMap.xml", "[Content_Types].xml"):
        if name not in by_name:
            fault(f"no {name}")
    for entry in entries:
        if entry.method != 0 and entry.name not in SIGNER_DEFLATED:
            fault(f"{entry.name}: compressed (method {entry.method}); the payload is stored")
    if "AppxBlockMap.xml" not in by_name:
        return
    root = ElementTree.fromstring(by_name["AppxBlockMap.xml"].data)
    if root.tag != f"{{{BLOCKMAP}}}BlockMap":
        fault(f"AppxBlockMap.xml: root element {root.tag}")
    if root.get("HashMethod") != "http://www.w3.org/2001/04/xmlenc#sha256":
        fault(f"AppxBlockMap.xml: hash method {root.get('HashMethod')}")
    listed = set()
    for file in root.findall(f"{{{BLOCKMAP}}}File"):
        name = file.get("Name", "").replace("\\", "/")
        listed.add(name)
        entry = by_name.get(name)
        if entry is None:
            fault(f"AppxBlockMap.xml names {name}, which the package does not hold")
            continue
        if file.get("Size") != str(entry.size):
            fault(f"{name}: block map size {file.get('Size')}, entry size {entry.size}")
        if file.get("LfhSize") != str(entry.lfh_size):
            fault(f"{name}: block map LfhSize {file.get('LfhSize')}, local header {entry.lfh_size} bytes")
        blocks = file.findall(f"{{{BLOCKMAP}}}Block")
        chunks = [entry.data[at:at + 65536] for at in range(0, len(entry.data), 65536)]
        if len(blocks) != len(chunks):
            fault(f"{name}: {len(blocks)} blocks listed for {len(chunks)} blocks of 64 KiB")
        for index, (block, chunk) in enumerate(zip(blocks, chunks)):
            if block.get("Hash") != base64.b64encode(hashlib.sha256(chunk).digest()).decode():
                fault(f"{name}: block {index} does not match its hash")
            if entry.method == 0 and block.get("Size") is not None:
                fault(f"{name}: block {index} of a stored file gives a compressed size")
    for name in by_name.keys() - FOOTPRINT - listed:
        fault(f"{name}: missing from the block map")

    if "[Content_Types].xml" in by_name:
        types = ElementTree.fromstring(by_name["[Content_Types].xml"].data)
        defaults = {d.get("Extension", "").lower(): d.get("ContentType")
                    for d in types.findall(f"{{{CONTENT_TYPES}}}Default")}
        overrides = {o.get("PartName"): o.get("ContentType") for o in types.findall(f"{{{CONTENT_TYPES}}}Override")}
        for name in by_name.keys() - {"[Content_Types].xml"}:
            kind = overrides.get("/" + name) or defaults.get(name.rpartition(".")[2].lower())
            if not kind:
                fault(f"{name}: no content type")
        for name, kind in (("AppxManifest.xml", "application/vnd.ms-appx.manifest+xml"),
                           ("AppxBlockMap.xml", "application/vnd.ms-appx.blockmap+xml"),
                           ("AppxSignature.p7x", "application/vnd.ms-appx.signature")):
            if overrides.get("/" + name) != kind:
                fault(f"[Content_Types].xml: {name} is not {kind}")


# --- Manifest ---------------------------------------------------------------------------------

def q(prefix, local):
    return f"{{{NAMESPACES[prefix] if prefix else FOUNDATION}}}{local}"


def one(parent, path, what):
    found = parent.findall(path, {"f": FOUNDATION, **NAMESPACES})
    if len(found) != 1:
        fault(f"manifest: {len(found)} {what}, not one")
        return None
    return found[0]


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def check_manifest(entries, args, signer_subject):
    by_name = {entry.name: entry for entry in entries}
    if "AppxManifest.xml" not in by_name:
        return None
    text = by_name["AppxManifest.xml"].data
    declared = {}
    try:
        for _, (prefix, uri) in ElementTree.iterparse(io.BytesIO(text), events=("start-ns",)):
            declared[prefix] = uri
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        fault(f"manifest: not well-formed: {error}")
        return None
    if declared.get("") != FOUNDATION or root.tag != q(None, "Package"):
        fault("manifest: the root is not the foundation schema's Package")
    for prefix, uri in NAMESPACES.items():
        if declared.get(prefix) != uri:
            fault(f"manifest: xmlns:{prefix} is not {uri}")
    ignorable = set(root.get("IgnorableNamespaces", "").split())
    if not ignorable <= declared.keys():
        fault(f"manifest: IgnorableNamespaces names undeclared prefixes {sorted(ignorable - declared.keys())}")

    identity = one(root, "f:Identity", "Identity")
    if identity is not None:
        for attribute, expected in (("Name", args.name), ("Version", args.version), ("ProcessorArchitecture", "x64")):
            if identity.get(attribute) != expected:
                fault(f"manifest: Identity {attribute} is {identity.get(attribute)!r}, not {expected!r}")
        publisher = identity.get("Publisher", "")
        if signer_subject is not None and parse_windows_name(publisher) != signer_subject:
            fault(f"manifest: Publisher {publisher!r} is not the signer's subject {signer_subject}")

    properties = one(root, "f:Properties", "Properties")
    if properties is not None:
        for path, expected in (("uap10:AllowExternalContent", "true"),
                               ("desktop6:RegistryWriteVirtualization", "disabled"),
                               ("desktop6:FileSystemWriteVirtualization", "disabled")):
            element = one(properties, path, path)
            if element is not None and (element.text or "").strip() != expected:
                fault(f"manifest: {path} is {element.text!r}, not {expected}")
        for path in ("f:DisplayName", "f:PublisherDisplayName"):
            element = one(properties, path, path)
            if element is not None and not (element.text or "").strip():
                fault(f"manifest: {path} is empty")
        logo = one(properties, "f:Logo", "Logo")
        logos = [("Logo", logo.text if logo is not None else None, (50, 50))]
    else:
        logos = []

    family = one(root, "f:Dependencies/f:TargetDeviceFamily", "TargetDeviceFamily")
    if family is not None and (family.get("Name"), family.get("MinVersion")) != ("Windows.Desktop", "10.0.22000.0"):
        fault(f"manifest: target {family.get('Name')} {family.get('MinVersion')}, not Windows.Desktop 10.0.22000.0")
    capabilities = {c.get("Name") for c in root.findall("f:Capabilities/rescap:Capability", {"f": FOUNDATION, **NAMESPACES})}
    for capability in ("runFullTrust", "unvirtualizedResources"):
        if capability not in capabilities:
            fault(f"manifest: no rescap:Capability {capability}")

    application = one(root, "f:Applications/f:Application", "Application")
    if application is None:
        return None
    for attribute, expected in (("Executable", args.exe),
                                (q("uap10", "TrustLevel"), "mediumIL"),
                                (q("uap10", "RuntimeBehavior"), "win32App")):
        if application.get(attribute) != expected:
            fault(f"manifest: Application {attribute} is {application.get(attribute)!r}, not {expected!r}")
    visual = one(application, "uap:VisualElements", "uap:VisualElements")
    if visual is not None:
        logos += [("Square150x150Logo", visual.get("Square150x150Logo"), (150, 150)),
                  ("Square44x44Logo", visual.get("Square44x44Logo"), (44, 44))]
    for what, path, size in logos:
        entry = by_name.get((path or "").replace("\\", "/"))
        if entry is None:
            fault(f"manifest: {what} {path!r} is not in the package")
        elif png_size(entry.data) != size:
            fault(f"{entry.name}: not a {size[0]}x{size[1]} PNG picture")

    clsid = str(uuid.UUID(args.clsid)).upper()
    com_class = one(application, "f:Extensions/com:Extension[@Category='windows.comServer']/com:ComServer/"
                                 "com:SurrogateServer/com:Class", "COM class")
    if com_class is not None:
        if (com_class.get("Id") or "").upper() != clsid:
            fault(f"manifest: COM class {com_class.get('Id')}, not {clsid}")
        if com_class.get("Path") != args.dll:
            fault(f"manifest: COM class Path {com_class.get('Path')!r}, not {args.dll!r}")
        if com_class.get("ThreadingModel") != "STA":
            fault(f"manifest: COM class threading model {com_class.get('ThreadingModel')}")
    menus = one(application, "f:Extensions/desktop4:Extension[@Category='windows.fileExplorerContextMenus']/"
                             "desktop4:FileExplorerContextMenus", "desktop4:FileExplorerContextMenus")
    if menus is not None:
        item_types = {}
        for item in menus.findall("desktop5:ItemType", NAMESPACES):
            item_types[item.get("Type")] = [(v.get("Clsid") or "").upper() for v in item.findall("desktop5:Verb", NAMESPACES)]
        if item_types != {"*": [clsid], "Directory": [clsid]}:
            fault(f"manifest: menu item types {item_types}, not files (*) and Directory, each a verb of {clsid}")
    return com_class


# --- Names and signature ----------------------------------------------------------------------

WINDOWS_TO_OPENSSL = {"S": "ST", "E": "emailAddress", "STREET": "street", "G": "GN", "T": "title",
                      "I": "initials", "SERIALNUMBER": "serialNumber", "PostalCode": "postalCode",
                      "Description": "description"}


def parse_windows_name(text):
    """'CN=a, O="b, c"' as [('CN', 'a'), ('O', 'b, c')]; None when it does not parse."""
    parts = []
    pattern = re.compile(r'\s*([A-Za-z][A-Za-z0-9]*|OID\.[0-9.]+)=("(?:[^"]|"")*"|[^,+="<>#;]*)\s*(,|$)')
    at = 0
    while at < len(text):
        match = pattern.match(text, at)
        if not match:
            return None
        name, value = match.group(1), match.group(2)
        if value.startswith('"'):
            value = value[1:-1].replace('""', '"')
        name = WINDOWS_TO_OPENSSL.get(name, name)
        parts.append((name[4:] if name.startswith("OID.") else name, value))
        at = match.end()
    return parts


def parse_rfc2253(text):
    """OpenSSL's RFC 2253 subject (high bytes unescaped) as [(name, value)], most specific first."""
    parts, name, value, in_name, escaped = [], "", "", True, False
    for char in text:
        if escaped:
            value += char
            escaped = False
        elif char == "\\":
            escaped = True
        elif in_name and char == "=":
            in_name = False
        elif not in_name and char in ",+":
            parts.append((name, value))
            name, value, in_name = "", "", True
        elif in_name:
            name += char
        else:
            value += char
    parts.append((name, value))
    return parts


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, **kwargs)


def signer_subject(signature, signer_cert):
    """The subject of the certificate the signature carries for its signer."""
    if signature[:4] != b"PKCX":
        fault("AppxSignature.p7x does not start with PKCX")
        return None
    printed = run(["openssl", "pkcs7", "-inform", "DER", "-print_certs"], input=signature[4:])
    if printed.returncode != 0:
        fault("AppxSignature.p7x: not a PKCS#7 signature")
        return None
    certificates = re.findall(rb"-----BEGIN CERTIFICATE-----.+?-----END CERTIFICATE-----\n", printed.stdout, re.S)
    names = []
    for certificate in certificates:
        out = run(["openssl", "x509", "-noout", "-subject", "-issuer", "-fingerprint", "-sha256",
                   "-nameopt", "RFC2253,-esc_msb"], input=certificate).stdout.decode()
        fields = dict(line.split("=", 1) for line in out.splitlines())
        names.append((fields["subject"], fields["issuer"], fields.get("sha256 Fingerprint", fields.get("SHA256 Fingerprint"))))
    issued_others = {issuer for subject, issuer, _ in names if subject != issuer}
    leaves = [n for n in names if n[0] not in issued_others]
    if len(leaves) != 1:
        fault(f"AppxSignature.p7x: {len(leaves)} candidate signing certificates")
        return None
    subject, _, fingerprint = leaves[0]
    if signer_cert:
        expected = run(["openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in", signer_cert]).stdout.decode()
        if fingerprint not in expected:
            fault(f"the package is not signed by {signer_cert}")
    return parse_rfc2253(subject)


def check_signature(package, ca, stranger_ca):
    trusted = run(["osslsigncode", "verify", "-CAfile", ca, "-in", package])
    output = trusted.stdout.decode(errors="replace")
    if trusted.returncode != 0 or not re.search(r"^Signature verification: ok", output, re.M):
        fault(f"osslsigncode does not verify the package up to {ca}")
    if stranger_ca:
        stranger = run(["osslsigncode", "verify", "-CAfile", stranger_ca, "-in", package])
        if stranger.returncode == 0:
            fault(f"osslsigncode verifies the package up to {stranger_ca}, which issued nothing of ours")


def check_extension(dll_file, clsid):
    # The class the manifest names must be one the extension can hand out: its GUID as the
    # DLL holds it (Data1..Data3 little-endian, then 8 bytes).
    try:
        with open(dll_file, "rb") as dll:
            content = dll.read()
    except OSError as error:
        fault(f"cannot read the extension: {error}")
        return
    if uuid.UUID(clsid).bytes_le not in content:
        fault(f"{dll_file} holds no class {clsid}")


def check_setup_installs(script, dll):
    # On 64-bit Windows (every Windows 11) the setup puts the 64-bit extension under this name.
    with open(script, encoding="utf-8-sig") as nsi:
        text = nsi.read()
    pattern = r'InstallBinary\s+"\$\{BIN64\}\\[^"]+"\s+"\$INSTDIR\\' + re.escape(dll.replace("/", "\\")) + '"'
    if not re.search(pattern, text):
        fault(f"{script} installs no 64-bit extension as $INSTDIR\\{dll}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("package")
    for option in ("--clsid", "--name", "--version", "--dll", "--exe"):
        parser.add_argument(option, required=True)
    for option in ("--ca", "--stranger-ca", "--signer-cert", "--dll-file", "--setup-script"):
        parser.add_argument(option)
    args = parser.parse_args()

    with open(args.package, "rb") as package:
        data = package.read()
    try:
        entries = read_zip(data)
    except (ValueError, struct.error, zlib.error, UnicodeDecodeError) as error:
        fault(f"not a readable ZIP archive: {error}")
        entries = None
    com_class = None
    if entries is not None:
        check_block_map(entries)
        signature = next((e.data for e in entries if e.name == "AppxSignature.p7x"), None)
        subject = None
        if signature is None:
            fault("the package is not signed (no AppxSignature.p7x)")
        else:
            subject = signer_subject(signature, args.signer_cert)
        com_class = check_manifest(entries, args, subject)
        if args.setup_script and com_class is not None:
            check_setup_installs(args.setup_script, com_class.get("Path", ""))
    if args.ca:
        check_signature(args.package, args.ca, args.stranger_ca)
    if args.dll_file:
        check_extension(args.dll_file, args.clsid)

    if com_class is not None:  # as the manifest names it, for a caller that goes on to create it
        print(f"read_package: manifest: class {{{com_class.get('Id')}}} in {com_class.get('Path')}")
    for message in faults:
        print(f"read_package: {message}")
    if faults:
        sys.exit(1)
    print(f"read_package: {os.path.basename(args.package)} is sound")


if __name__ == "__main__":
    main()
