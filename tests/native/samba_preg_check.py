"""Our Registry.pol reader and writer against Samba's PReg code (samba.dcerpc.preg), an
implementation of its own: files Samba writes read the same with ours, files ours writes read
the same with Samba's and are byte for byte what Samba writes for those entries.

    /usr/bin/python3 samba_preg_check.py PATH/TO/pol_tool

Exit 77 (skipped) where this Python cannot import Samba's modules.
"""
import os
import struct
import subprocess
import sys
import tempfile

try:
    from samba import ndr
    from samba.dcerpc import misc, preg
except ImportError as error:
    print(f"SKIP: {sys.executable} cannot import samba.dcerpc.preg ({error}); "
          "install Debian's python3-samba (scripts/setup.sh does)")
    sys.exit(77)

TOOL = sys.argv[1]
failures = []


def check(what, condition, detail=""):
    if not condition:
        failures.append(f"{what}: {detail}")


def raw_data(entry_type, data):
    """The bytes of the data field, as Samba encodes the typed value it hands out."""
    if entry_type in (misc.REG_SZ, misc.REG_EXPAND_SZ):
        return (data + "\0").encode("utf-16-le")
    if entry_type == misc.REG_DWORD:
        return struct.pack("<I", data)
    if entry_type == misc.REG_QWORD:
        return struct.pack("<Q", data)
    return bytes(data or b"")


def entry(key, name, entry_type, data):
    e = preg.entry()
    e.keyname = key
    e.valuename = name
    e.type = entry_type
    e.data = data
    return e


def pack(entries):
    f = preg.file()
    f.num_entries = len(entries)
    f.entries = entries
    return ndr.ndr_pack(f)


def dump(path):
    run = subprocess.run([TOOL, "dump", path], capture_output=True, text=True)
    return run.returncode, run.stdout.split("\n")[:-1]


def line(entry_type, key, name, data):
    def hx(b):
        return b.hex() if b else "-"
    return f"{entry_type} {hx(key.encode('utf-16-le'))} {hx(name.encode('utf-16-le'))} {hx(data)}"


with tempfile.TemporaryDirectory() as folder:
    # Samba writes, we read.
    explorer = r"Software\Microsoft\Windows\CurrentVersion\Policies\Explorer"
    written = [
        (explorer, "NoDriveTypeAutoRun", misc.REG_DWORD, 0xB5),
        (explorer, "**del.NoDriveAutoRun", misc.REG_SZ, " "),
        (explorer, "**delvals.", misc.REG_SZ, " "),
        (r"Software\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Autorun.inf", "", misc.REG_SZ,
         "@SYS:DoesNotExist"),
        (r"Software\Policies\X", "Path", misc.REG_EXPAND_SZ, "%SystemRoot%\\x"),
        (r"Software\Policies\X", "Brackets", misc.REG_BINARY, b"]\x00;\x00[\x00]"),
        (r"Software\Policies\X", "Big", misc.REG_QWORD, 0x0102030405060708),
        ("Software\\Caf\u00e9", "Na\u00efve", misc.REG_SZ, "\u00e9t\u00e9"),
    ]
    samba_file = os.path.join(folder, "samba.pol")
    with open(samba_file, "wb") as out:
        out.write(pack([entry(*w) for w in written]))
    code, lines = dump(samba_file)
    expected = [line(t, k, n, raw_data(t, d)) for k, n, t, d in written]
    check("a file Samba wrote reads the same with ours", code == 0 and lines == expected,
          f"exit {code}\n  ours:  {lines}\n  Samba: {expected}")

    # Samba's own reading of its file agrees with what it was given (a check of the check).
    with open(samba_file, "rb") as f:
        back = ndr.ndr_unpack(preg.file, f.read())
    check("Samba reads its own file back", [(e.keyname, e.valuename, e.type, e.data) for e in back.entries] == written)

    # Cut short, the file must be refused by ours.
    with open(samba_file, "rb") as f:
        whole = f.read()
    for length in (len(whole) - 1, len(whole) - 2, 9, 4):
        cut = os.path.join(folder, f"cut{length}.pol")
        with open(cut, "wb") as out:
            out.write(whole[:length])
        code, lines = dump(cut)
        check(f"a file cut to {length} bytes is unreadable", code == 2 and lines == ["unreadable"], f"{code} {lines}")

    # We write, Samba reads.
    ours_file = os.path.join(folder, "ours.pol")
    subprocess.run([TOOL, "write", ours_file], check=True)
    with open(ours_file, "rb") as f:
        ours = f.read()
    parsed = ndr.ndr_unpack(preg.file, ours)
    got = [(e.keyname, e.valuename, e.type, e.data) for e in parsed.entries]
    want = [
        (explorer, "NoDriveTypeAutoRun", misc.REG_DWORD, 0xFF),
        (explorer, "NoDriveAutoRun", misc.REG_DWORD, 0x3FFFFFF),
        (r"Software\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Autorun.inf", "", misc.REG_SZ,
         "@SYS:DoesNotExist"),
        (r"System\CurrentControlSet\Services\Cdrom", "**del.AutoRun", misc.REG_SZ, " "),
        ("Software\\Caf\u00e9", "Na\u00efve", misc.REG_SZ, "\u00e9t\u00e9"),
    ]
    check("a file ours wrote reads the same with Samba", got == want, f"\n  Samba: {got}\n  want:  {want}")
    check("ours writes what Samba writes, byte for byte", ours == pack([entry(*w) for w in want]),
          f"\n  ours:  {ours.hex()}\n  Samba: {pack([entry(*w) for w in want]).hex()}")

if failures:
    print("FAILED:\n" + "\n".join(failures))
    sys.exit(1)
print("Samba and our Registry.pol code agree")
