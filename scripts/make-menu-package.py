#!/usr/bin/env python3
"""Builds the Windows 11 identity package of the Explorer menu entry, and signs it.

  make-menu-package.py --out FILE.msix --name NAME --version A.B.C.D --clsid {GUID}
                       --dll varnoltmenu.dll --exe Varnolt.exe --logos DIR

A "sparse" package: it carries only its manifest and logos; the program and the extension stay
in the install folder (the external location the setup names when it registers the package).
Windows 11 gives the COM class it names a place at the top of Explorer's menu.

Signed through scripts/sign.sh with the certificate the environment names (VARNOLT_SIGN_PKCS12,
or VARNOLT_SIGN_CERT and VARNOLT_SIGN_KEY, and VARNOLT_SIGN_PASS_FILE): Windows installs a package
only when the manifest's Publisher is its signer's subject, so the subject is read from that very
certificate. No certificate, no package: an unsigned one could not be installed.

The file is a ZIP of stored entries (no data descriptor, no extra field), each payload file
listed in AppxBlockMap.xml with the SHA-256 of every 64 KiB block and the size of its local
header. [Content_Types].xml is deflated: the signer rewrites it deflated (adding the signature's
type) and keeps the entry's method as it found it.
"""
import argparse
import base64
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zlib
from xml.sax.saxutils import quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))
BLOCK_SIZE = 64 * 1024
# One fixed time for every entry (2026-01-01 00:00): the same inputs give the same bytes.
DOS_TIME = 0
DOS_DATE = ((2026 - 1980) << 9) | (1 << 5) | 1
LOGOS = ("Square150x150Logo.png", "Square44x44Logo.png", "StoreLogo.png")


def fail(message):
    sys.exit("make-menu-package: " + message)


# --- The publisher: the signing certificate's subject, written as Windows writes it ----------

# OpenSSL's short names and Windows' names of the attributes a subject may hold.
WINDOWS_ATTRIBUTE_NAMES = {
    "CN": "CN", "O": "O", "OU": "OU", "L": "L", "ST": "S", "C": "C", "street": "STREET",
    "emailAddress": "E", "DC": "DC", "SN": "SN", "GN": "G", "title": "T", "initials": "I",
    "serialNumber": "SERIALNUMBER", "postalCode": "PostalCode", "description": "Description",
    "dnQualifier": "dnQualifier",
}


def windows_value(value):
    # Quoted, as Windows quotes them, when the bare value would not read back as one.
    if value == "" or value != value.strip() or re.search(r'[,+="<>#;\n]', value):
        return '"' + value.replace('"', '""') + '"'
    return value


def windows_subject(pem_certificate):
    """The subject as Windows shows it (CertNameToStr, X.500 form): most specific first."""
    text = openssl(["x509", "-noout", "-subject", "-nameopt", "utf8,sname,sep_multiline,dn_rev"],
                   pem_certificate).decode("utf-8")
    parts = []
    for line in text.splitlines()[1:]:  # the first line is "subject=", then one indented line each
        for component in re.sub(r"^ {4}", "", line).split(" + "):
            attribute, _, value = component.partition("=")
            if re.fullmatch(r"[0-9]+(\.[0-9]+)+", attribute):
                name = "OID." + attribute
            elif attribute in WINDOWS_ATTRIBUTE_NAMES:
                name = WINDOWS_ATTRIBUTE_NAMES[attribute]
            else:
                fail(f"the certificate's subject holds {attribute}, which has no name in a manifest")
            parts.append(name + "=" + windows_value(value))
    if not parts:
        fail("the signing certificate has an empty subject")
    return ", ".join(parts)


def openssl(arguments, stdin=None):
    result = subprocess.run(["openssl"] + arguments, input=stdin, capture_output=True)
    if result.returncode != 0:
        raise OpenSslError(result.stderr.decode("utf-8", "replace").strip())
    return result.stdout


class OpenSslError(Exception):
    pass


def pem_certificates(text):
    return re.findall(rb"-----BEGIN CERTIFICATE-----.+?-----END CERTIFICATE-----\s*", text, re.S)


def signer_certificate():
    """The signing certificate (PEM) the environment names, as scripts/sign.sh reads it."""
    pass_file = os.environ.get("VARNOLT_SIGN_PASS_FILE", "")
    if os.environ.get("VARNOLT_SIGN_PKCS12"):
        bundle = os.environ["VARNOLT_SIGN_PKCS12"]
        password = ["-passin", "file:" + pass_file] if pass_file else ["-passin", "pass:"]
        read = ["pkcs12", "-in", bundle, "-nokeys", "-clcerts"] + password
        try:
            certificates = pem_certificates(openssl(read))
        except OpenSslError:
            # Bundles made with older tools use ciphers OpenSSL 3 keeps in its legacy provider.
            try:
                certificates = pem_certificates(openssl(read + ["-legacy"]))
            except OpenSslError as error:
                fail(f"cannot read {bundle}: {error}")
        if len(certificates) != 1:
            fail(f"{bundle} holds {len(certificates)} certificates with a key, not one")
        return certificates[0]
    if os.environ.get("VARNOLT_SIGN_CERT") and os.environ.get("VARNOLT_SIGN_KEY"):
        chain_file = os.environ["VARNOLT_SIGN_CERT"]
        with open(chain_file, "rb") as chain:
            data = chain.read()
        certificates = pem_certificates(data)
        if not certificates:  # one DER certificate
            try:
                certificates = [openssl(["x509", "-inform", "DER", "-outform", "PEM"], data)]
            except OpenSslError as error:
                fail(f"cannot read {chain_file}: {error}")
        return leaf_of(certificates, chain_file)
    fail("no certificate: set VARNOLT_SIGN_PKCS12, or VARNOLT_SIGN_CERT and VARNOLT_SIGN_KEY "
         "(an unsigned package could not be installed, so none is made)")


def leaf_of(certificates, where):
    # The signer is the one certificate of the chain that issued none of the others.
    names = []
    for certificate in certificates:
        lines = openssl(["x509", "-noout", "-subject", "-issuer", "-nameopt", "RFC2253"],
                        certificate).decode("utf-8").splitlines()
        names.append((lines[0].partition("=")[2].strip(), lines[1].partition("=")[2].strip()))
    issuers = {issuer for subject, issuer in names if subject != issuer}
    leaves = [certificates[i] for i, (subject, _) in enumerate(names) if subject not in issuers]
    if len(leaves) != 1:
        fail(f"cannot tell the signing certificate in {where} ({len(leaves)} candidates)")
    return leaves[0]


# --- The manifest -----------------------------------------------------------------------------

def guid_without_braces(clsid):
    match = re.fullmatch(r"\{?([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})\}?",
                         clsid)
    if not match:
        fail(f"not a CLSID: {clsid}")
    return match.group(1).upper()


def manifest(name, publisher, version, architecture, clsid, dll, exe):
    guid = guid_without_braces(clsid)
    # Files (every type) and folders. Drives have no item type of their own here: their entry
    # ("Nettoyer avec Varnolt") stays with the classic handler.
    verbs = "".join(f"""
            <desktop5:ItemType Type={quoteattr(item_type)}>
              <desktop5:Verb Id="Varnolt" Clsid="{guid}" />
            </desktop5:ItemType>""" for item_type in ("*", "Directory"))
    return f"""<?xml version="1.0" encoding="utf-8"?>
<Package
  xmlns="http://schemas.microsoft.com/appx/manifest/foundation/windows10"
  xmlns:uap="http://schemas.microsoft.com/appx/manifest/uap/windows10"
  xmlns:uap10="http://schemas.microsoft.com/appx/manifest/uap/windows10/10"
  xmlns:rescap="http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities"
  xmlns:desktop4="http://schemas.microsoft.com/appx/manifest/desktop/windows10/4"
  xmlns:desktop5="http://schemas.microsoft.com/appx/manifest/desktop/windows10/5"
  xmlns:desktop6="http://schemas.microsoft.com/appx/manifest/desktop/windows10/6"
  xmlns:com="http://schemas.microsoft.com/appx/manifest/com/windows10"
  IgnorableNamespaces="uap uap10 rescap desktop4 desktop5 desktop6 com">
  <Identity Name={quoteattr(name)} Publisher={quoteattr(publisher)} Version="{version}"
            ProcessorArchitecture="{architecture}" />
  <Properties>
    <DisplayName>Varnolt</DisplayName>
    <PublisherDisplayName>Varnolt</PublisherDisplayName>
    <Logo>Assets\\StoreLogo.png</Logo>
    <!-- The program and the extension are the install folder's, not the package's. -->
    <uap10:AllowExternalContent>true</uap10:AllowExternalContent>
    <!-- What runs with this identity (the extension, the program it starts) erases and writes
         the real files and registry, as without it: nothing goes to a private copy. -->
    <desktop6:RegistryWriteVirtualization>disabled</desktop6:RegistryWriteVirtualization>
    <desktop6:FileSystemWriteVirtualization>disabled</desktop6:FileSystemWriteVirtualization>
  </Properties>
  <Resources>
    <Resource Language="fr-FR" />
  </Resources>
  <Dependencies>
    <TargetDeviceFamily Name="Windows.Desktop" MinVersion="10.0.22000.0" MaxVersionTested="10.0.26100.0" />
  </Dependencies>
  <Capabilities>
    <rescap:Capability Name="runFullTrust" />
    <rescap:Capability Name="unvirtualizedResources" />
  </Capabilities>
  <Applications>
    <Application Id="Varnolt" Executable={quoteattr(exe)}
                 uap10:TrustLevel="mediumIL" uap10:RuntimeBehavior="win32App">
      <!-- No second entry in Start: the setup's shortcut is the program's. -->
      <uap:VisualElements DisplayName="Varnolt" AppListEntry="none"
        Description="Broyer avec Varnolt depuis le menu de l'Explorateur"
        BackgroundColor="transparent"
        Square150x150Logo="Assets\\Square150x150Logo.png" Square44x44Logo="Assets\\Square44x44Logo.png" />
      <Extensions>
        <desktop4:Extension Category="windows.fileExplorerContextMenus">
          <desktop4:FileExplorerContextMenus>{verbs}
          </desktop4:FileExplorerContextMenus>
        </desktop4:Extension>
        <com:Extension Category="windows.comServer">
          <com:ComServer>
            <com:SurrogateServer DisplayName="Varnolt">
              <!-- Path is relative to the external location: the install folder. -->
              <com:Class Id="{guid}" Path={quoteattr(dll)} ThreadingModel="STA" />
            </com:SurrogateServer>
          </com:ComServer>
        </com:Extension>
      </Extensions>
    </Application>
  </Applications>
</Package>
"""


# --- The ZIP container ------------------------------------------------------------------------

def local_header(name, method, crc, compressed_size, size):
    encoded = name.encode("ascii")
    return (b"PK\x03\x04" + le(20, 2) + le(0, 2) + le(method, 2) + le(DOS_TIME, 2) + le(DOS_DATE, 2)
            + le(crc, 4) + le(compressed_size, 4) + le(size, 4) + le(len(encoded), 2) + le(0, 2) + encoded)


def central_header(name, method, crc, compressed_size, size, offset):
    encoded = name.encode("ascii")
    return (b"PK\x01\x02" + le(20, 2) + le(20, 2) + le(0, 2) + le(method, 2) + le(DOS_TIME, 2)
            + le(DOS_DATE, 2) + le(crc, 4) + le(compressed_size, 4) + le(size, 4) + le(len(encoded), 2)
            + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 4) + le(offset, 4) + encoded)


def le(value, size):
    return value.to_bytes(size, "little")


def deflate(data):
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    return compressor.compress(data) + compressor.flush()


def block_map(payload):
    files = []
    for name, data in payload:
        blocks = "".join(
            '<Block Hash="%s"/>' % base64.b64encode(hashlib.sha256(data[at:at + BLOCK_SIZE]).digest()).decode()
            for at in range(0, len(data), BLOCK_SIZE))
        lfh_size = len(local_header(name, 0, 0, 0, 0))
        files.append(f'<File Name={quoteattr(name.replace("/", chr(92)))} Size="{len(data)}" '
                     f'LfhSize="{lfh_size}">{blocks}</File>')
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" '
            'HashMethod="http://www.w3.org/2001/04/xmlenc#sha256">'
            + "".join(files) + "</BlockMap>\n").encode("utf-8")


CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8"?>\n'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="png" ContentType="image/png"/>'
    '<Override PartName="/AppxManifest.xml" ContentType="application/vnd.ms-appx.manifest+xml"/>'
    '<Override PartName="/AppxBlockMap.xml" ContentType="application/vnd.ms-appx.blockmap+xml"/>'
    '</Types>\n').encode("utf-8")


def package_bytes(payload):
    """payload: (name, data) in order; the block map and the content types follow them."""
    entries = [(name, data, 0) for name, data in payload]
    entries.append(("AppxBlockMap.xml", block_map(payload), 0))
    entries.append(("[Content_Types].xml", CONTENT_TYPES, 8))
    body = bytearray()
    directory = bytearray()
    for name, data, method in entries:
        stored = data if method == 0 else deflate(data)
        crc = zlib.crc32(data)
        directory += central_header(name, method, crc, len(stored), len(data), len(body))
        body += local_header(name, method, crc, len(stored), len(data)) + stored
    end = (b"PK\x05\x06" + le(0, 2) + le(0, 2) + le(len(entries), 2) + le(len(entries), 2)
           + le(len(directory), 4) + le(len(body), 4) + le(0, 2))
    return bytes(body + directory + end)


# --- Main -------------------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--name", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--clsid", required=True)
    parser.add_argument("--dll", required=True, help="the extension, relative to the install folder")
    parser.add_argument("--exe", required=True, help="the program, relative to the install folder")
    parser.add_argument("--logos", required=True, help="the folder make_resources --logos wrote")
    parser.add_argument("--architecture", default="x64", choices=("x64", "x86", "arm64", "neutral"))
    args = parser.parse_args()

    if not re.fullmatch(r"[-.A-Za-z0-9]{3,50}", args.name):
        fail(f"not a package name: {args.name}")
    if not re.fullmatch(r"(0|[1-9][0-9]{0,4})(\.(0|[1-9][0-9]{0,4})){3}", args.version) or \
            any(int(part) > 65535 for part in args.version.split(".")):
        fail(f"not a four-part version: {args.version}")

    try:
        publisher = windows_subject(signer_certificate())
    except OpenSslError as error:
        fail(f"cannot read the signing certificate: {error}")
    text = manifest(args.name, publisher, args.version, args.architecture, args.clsid, args.dll, args.exe)
    ElementTree.fromstring(text.encode("utf-8"))  # a malformed manifest stops here, not in Windows
    payload = []
    for logo in LOGOS:
        with open(os.path.join(args.logos, logo), "rb") as picture:
            payload.append(("Assets/" + logo, picture.read()))
    payload.append(("AppxManifest.xml", text.encode("utf-8")))

    # Written and signed beside the target, then moved in: a failure leaves no package behind.
    out_dir = os.path.dirname(os.path.abspath(args.out))
    os.makedirs(out_dir, exist_ok=True)
    handle, unsigned = tempfile.mkstemp(prefix=".menu-package.", suffix=".msix", dir=out_dir)
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(package_bytes(payload))
        if subprocess.run(["bash", os.path.join(HERE, "sign.sh"), unsigned]).returncode != 0:
            fail("the package could not be signed")
        os.replace(unsigned, args.out)
    finally:
        if os.path.exists(unsigned):
            os.remove(unsigned)
    print(f"make-menu-package: {args.out} ({args.name} {args.version} {args.architecture}, "
          f"signed by {publisher})")


if __name__ == "__main__":
    main()
