# The names the Windows 11 menu entry is known by, shared by the extension (its COM class), the
# package's manifest and the setup program: each is written once, here.
set(VARNOLT_EXPLORER_COMMAND_CLSID "{7AA63B0D-B8A7-4C40-9ED9-C5B661F19557}")
# The package's identity name (its family name adds the publisher's hash).
set(VARNOLT_MENU_PACKAGE_NAME "Varnolt.Menu")
# Where the setup records that the package is registered: HKLM, 64-bit view, REG_DWORD 1.
# The classic handler then adds no entry for files and folders (drives keep theirs).
set(VARNOLT_PACKAGED_MENU_KEY "Software\\Varnolt")
set(VARNOLT_PACKAGED_MENU_VALUE "PackagedMenu")
