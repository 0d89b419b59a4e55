"""What the Group Policy files of an export leave in a registry that had none of the policy's
six values, read by code that is not ours: Registry.pol with Samba's PReg implementation
(samba.dcerpc.preg, Debian's python3-samba, for /usr/bin/python3), Registry.xml with Python's
own XML parser. The same lines as gp_values.exe prints:

    /usr/bin/python3 gp_values.py pol|gpp FOLDER

Exit 77 (skipped) for pol where Samba's modules cannot be imported; 2 for a file that cannot
be read.
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

EXPLORER = r"SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer"
# (hive, key, value name): the machine's values, then the user's, each in the order Load reads.
VALUES = {
    "Machine": [
        ("HKLM", r"SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Autorun.inf", ""),
        ("HKLM", EXPLORER, "NoDriveTypeAutoRun"),
        ("HKLM", r"SYSTEM\CurrentControlSet\Services\cdrom", "AutoRun"),
        ("HKLM", EXPLORER, "NoDriveAutoRun"),
    ],
    "User": [
        ("HKCU", EXPLORER, "NoDriveTypeAutoRun"),
        ("HKCU", EXPLORER, "NoDriveAutoRun"),
    ],
}
REG_SZ, REG_DWORD = 1, 4


def same(a, b):
    return a.lower() == b.lower()


def shown(value_type, data):
    if value_type == REG_DWORD:
        return f"dword:{data:08x}"
    if value_type == REG_SZ:
        return f"sz:{data}"
    return f"type {value_type}"


def pol_effects(path, values):
    try:
        from samba import ndr
        from samba.dcerpc import preg
    except ImportError as error:
        print(f"SKIP: {sys.executable} cannot import samba.dcerpc.preg ({error}); "
              "install Debian's python3-samba (scripts/setup.sh does)")
        sys.exit(77)
    with open(path, "rb") as f:
        try:
            entries = ndr.ndr_unpack(preg.file, f.read()).entries
        except Exception as error:  # Samba raises its own types for a malformed file
            print(f"{path}: Samba cannot read it: {error}", file=sys.stderr)
            sys.exit(2)
    result = {}
    for e in entries:
        for hive, key, name in values:
            if not same(e.keyname, key):
                continue
            if same(e.valuename, name):
                result[(hive, key, name)] = shown(e.type, e.data)
            elif same(e.valuename, "**del." + name):
                result.pop((hive, key, name), None)
    return result


def gpp_effects(path, values):
    try:
        root = ElementTree.parse(path).getroot()
    except (ElementTree.ParseError, OSError) as error:
        print(f"{path}: {error}", file=sys.stderr)
        sys.exit(2)
    if root.tag != "RegistrySettings":
        print(f"{path}: root {root.tag}", file=sys.stderr)
        sys.exit(2)
    hives = {"HKEY_LOCAL_MACHINE": "HKLM", "HKEY_CURRENT_USER": "HKCU"}
    result = {}
    for item in root.iter("Registry"):
        p = item.find("Properties").attrib
        name = "" if p.get("default") == "1" else p.get("name", "")
        for hive, key, value_name in values:
            if hives.get(p["hive"]) != hive or not same(p["key"], key) or not same(name, value_name):
                continue
            if p["action"] == "D":
                result.pop((hive, key, value_name), None)
            elif p["type"] == "REG_DWORD":
                result[(hive, key, value_name)] = shown(REG_DWORD, int(p["value"], 16))
            else:
                result[(hive, key, value_name)] = shown(REG_SZ if p["type"] == "REG_SZ" else -1, p["value"])
    return result


def main():
    kind, folder = sys.argv[1], sys.argv[2]
    for half, values in VALUES.items():
        path = f"{folder}/{half}/Registry.{'pol' if kind == 'pol' else 'xml'}"
        effects = (pol_effects if kind == "pol" else gpp_effects)(path, values)
        for value in values:
            hive, key, name = value
            print(f"{hive}\\{key}\\{name or '@'}={effects.get(value, 'absent')}")


main()
