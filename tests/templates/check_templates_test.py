#!/usr/bin/env python3
"""check_templates.py finds the faults it is there for: the real templates pass, and each
case below breaks them in one place and must be reported.

  check_templates_test.py FOLDER
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_templates  # noqa: E402

EXPLORER = r"SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer"
# What policy_table prints, as a small fixed table.
TABLE = {
    "values": {
        "IniFileMapping": {"hive": "HKLM", "key": r"SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Autorun.inf", "name": ""},
        "MachineDriveTypes": {"hive": "HKLM", "key": EXPLORER, "name": "NoDriveTypeAutoRun"},
        "UserDriveTypes": {"hive": "HKCU", "key": EXPLORER, "name": "NoDriveTypeAutoRun"},
        "CdromAutoRun": {"hive": "HKLM", "key": r"SYSTEM\CurrentControlSet\Services\cdrom", "name": "AutoRun"},
        "MachineDriveLetters": {"hive": "HKLM", "key": EXPLORER, "name": "NoDriveAutoRun"},
        "UserDriveLetters": {"hive": "HKCU", "key": EXPLORER, "name": "NoDriveAutoRun"},
    },
    "saveEverythingOff": [
        {"value": "IniFileMapping", "text": "@SYS:DoesNotExist"},
        {"value": "UserDriveTypes", "number": 255}, {"value": "MachineDriveTypes", "number": 255},
        {"value": "CdromAutoRun", "number": 0},
        {"value": "MachineDriveLetters", "number": 0}, {"value": "UserDriveLetters", "number": 0},
    ],
    "saveEverythingOn": [
        {"value": "IniFileMapping", "delete": True},
        {"value": "UserDriveTypes", "number": 2}, {"value": "MachineDriveTypes", "number": 2},
        {"value": "CdromAutoRun", "number": 1},
        {"value": "MachineDriveLetters", "number": 0}, {"value": "UserDriveLetters", "number": 0},
    ],
    "allLetters": 67108863,
}

# (what is broken, file, [(text, replacement), ...], words of the expected report)
CASES = [
    ("not well-formed", "fr-FR", [("</stringTable>", "</stringtable>")], "not well-formed"),
    ("resources before policyNamespaces", "admx",
     [('  <resources minRequiredRevision="1.0"/>\n', ""), ("  <policyNamespaces>", '  <resources minRequiredRevision="1.0"/>\n  <policyNamespaces>')],
     "ADMX children"),
    ("a string missing in one language", "fr-FR",
     [('<string id="DriveLetters">Désactiver AutoRun sur des lettres de lecteur</string>', "")],
     "fr-FR: $(string.DriveLetters) does not resolve"),
    ("a reference with a typo", "admx", [("$(presentation.DriveLetters)", "$(presentation.DriveLeters)")],
     "$(presentation.DriveLeters) does not resolve"),
    ("a title left in English", "de-DE",
     [("autorun.inf-Dateien ignorieren</string>", "Ignore autorun.inf files</string>")],
     "de-DE: string IgnoreAutorunInf is left in English"),
    ("a label left in English", "fr-FR", [("Désactiver AutoRun pour :", "Turn off AutoRun for:")],
     "label of DriveTypesChoice in presentation DriveTypes is left in English"),
    ("a control for no element", "en-US", [('refId="DriveLettersMask"', 'refId="DriveLetterMask"')],
     "en-US: DriveLetters's controls are for ['DriveLetterMask']"),
    ("the default maximum of 9999", "admx", [(' maxValue="67108863"', "")], "maxValue is 9999"),
    ("a bound too small for the drive types", "admx", [('maxValue="255"', 'maxValue="127"')], "bounds 0..127"),
    ("a default out of bounds", "de-DE", [('defaultValue="255"', 'defaultValue="256"')], "default 256"),
    ("a list label for another number", "de-DE", [("0x95 (149)", "0x59 (149)")], "label for 149"),
    ("a wrong line in the letter table", "fr-FR", [("Q = 65536", "Q = 65636")], "letter table is wrong at ['Q']"),
    ("a bit missing from the bit table", "en-US", [("0x40 = 64: RAM disks\n", "")], "bit table"),
    ("the value name of the other setting", "admx",
     [('valueName="NoDriveAutoRun"', 'valueName="NoDriveTypeAutoRun"')],
     "DriveLetters writes [('%s', 'NoDriveTypeAutoRun')]" % EXPLORER.replace("\\", "\\\\")),
    ("the key without its last part", "admx", [(r"IniFileMapping\Autorun.inf", "IniFileMapping")], "IgnoreAutorunInf writes"),
    ("only the computer's hive", "admx",
     [('<policy name="DriveLetters" class="Both"', '<policy name="DriveLetters" class="Machine"')],
     "DriveLetters: class Machine, but the policy keeps the value in ['HKCU', 'HKLM']"),
    ("a mapping Windows does not ignore", "admx", [("<string>@SYS:DoesNotExist</string>", "<string>@SYS:DoesNotExists</string>")],
     "IgnoreAutorunInf: enabledValue"),
    ("CD-ROM AutoRun the wrong way round", "admx",
     [('<decimal value="0"/>\n      </enabledValue>', '<decimal value="1"/>\n      </enabledValue>')],
     "CdromServiceAutoRun: enabledValue is ('number', 1), Morvex writes ('number', 0)"),
    ("no choice for everything off", "admx", [('<decimal value="255"/>', '<decimal value="253"/>')],
     "DriveTypes offers no choice"),
    ("the settings in another order", "admx",
     [('name="DriveTypes" class', 'name="Swapped" class'), ('name="DriveTypesMask" class', 'name="DriveTypes" class'),
      ('name="Swapped" class', 'name="DriveTypesMask" class')],
     "the settings are ['IgnoreAutorunInf', 'DriveTypesMask', 'DriveTypes'"),
]


def broken(templates, where, replacements):
    admx, adml = templates.admx, dict(templates.adml)
    for old, new in replacements:
        text = admx if where == "admx" else adml[where]
        if old not in text:
            raise SystemExit("the case's text %r is not in %s: update the case" % (old, where))
        text = text.replace(old, new, 1)
        if where == "admx":
            admx = text
        else:
            adml[where] = text
    return check_templates.Templates(admx, adml)


def main():
    templates = check_templates.Templates.read(sys.argv[1])
    failures = []
    faults = check_templates.check(templates, TABLE)
    if faults:
        failures.append("the real templates: %s" % faults)
    for what, where, replacements, expected in CASES:
        faults = check_templates.check(broken(templates, where, replacements), TABLE)
        if not any(expected in fault for fault in faults):
            failures.append("%s: no fault with %r among %s" % (what, expected, faults))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
