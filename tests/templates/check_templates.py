#!/usr/bin/env python3
"""Checks Morvex's administrative templates (Morvex.admx and its .adml files).

  check_templates.py FOLDER [--table-command PROGRAM [ARGS...]]

FOLDER is a PolicyDefinitions folder. With --table-command, the program (policy_table,
possibly behind the Wine runner) prints the policy's own table of values as JSON, and every
setting's keys, value names and written values are compared with it. Prints one line per
fault and exits with 1 when there is one.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

NS = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"
LANGUAGES = ("en-US", "de-DE", "fr-FR")
ENGLISH = LANGUAGES[0]

# The children of policyDefinitions in the order the schema wants them.
CHILD_ORDER = ("policyNamespaces", "resources", "supportedOn", "categories", "policies")

# The settings in the order administrators meet them, and which of the policy's values
# each one writes (the names of PolicyValue).
SETTINGS = (
    ("IgnoreAutorunInf", ("IniFileMapping",)),
    ("DriveTypes", ("MachineDriveTypes", "UserDriveTypes")),
    ("DriveTypesMask", ("MachineDriveTypes", "UserDriveTypes")),
    ("CdromServiceAutoRun", ("CdromAutoRun",)),
    ("DriveLetters", ("MachineDriveLetters", "UserDriveLetters")),
)
HIVES_OF_CLASS = {"Machine": {"HKLM"}, "User": {"HKCU"}, "Both": {"HKLM", "HKCU"}}

# The numbers a setting may write, by value name: eight drive-type bits, 26 drive letters.
BOUNDS = {"NoDriveTypeAutoRun": (0, 255), "NoDriveAutoRun": (0, 67108863)}

# The ADML control that presents each kind of element.
CONTROL_OF_ELEMENT = {
    "decimal": "decimalTextBox",
    "longDecimal": "longDecimalTextBox",
    "enum": "dropdownList",
    "boolean": "checkBox",
    "text": "textBox",
    "multiText": "multiTextBox",
    "list": "listBox",
}

# Strings that stay the same in every language: names, not words.
SAME_IN_EVERY_LANGUAGE = {"MorvexAutoRun"}

REFERENCE = re.compile(r"\$\((string|presentation)\.([^)]*)\)")
BIT_LINE = re.compile(r"^0x([0-9A-F]{2}) = (\d+)\b", re.MULTILINE)
LETTER = re.compile(r"\b([A-Z]) = (\d+)\b")
ITEM_LABEL = re.compile(r"^0x([0-9A-F]{2}) \((\d+)\)")


def tag(name):
    return "{%s}%s" % (NS, name)


def local(element):
    return element.tag.split("}", 1)[-1]


class Templates:
    """The ADMX and the ADML of each language, as texts (so that tests can change them)."""

    def __init__(self, admx, adml):
        self.admx = admx
        self.adml = dict(adml)

    @staticmethod
    def read(folder):
        def text(path):
            with open(path, encoding="utf-8") as f:
                return f.read()

        return Templates(text(os.path.join(folder, "Morvex.admx")),
                         {lang: text(os.path.join(folder, lang, "Morvex.adml")) for lang in LANGUAGES})


def parse(text, name, faults):
    try:
        return ET.fromstring(text.encode("utf-8"))
    except ET.ParseError as error:
        faults.append("%s is not well-formed XML: %s" % (name, error))
        return None


class Resources:
    """One language's string and presentation tables."""

    def __init__(self, root, lang, faults):
        self.strings = {}
        self.presentations = {}
        if root.tag != tag("policyDefinitionResources"):
            faults.append("%s: the root is %s, not policyDefinitionResources in the policy namespace"
                          % (lang, root.tag))
        for table, found in (("stringTable", self.strings), ("presentationTable", self.presentations)):
            for entry in root.iterfind("%s/%s/*" % (tag("resources"), tag(table))):
                key = entry.get("id")
                if key in found:
                    faults.append("%s: %s id %s twice" % (lang, table, key))
                found[key] = entry


def setting_writes(policy):
    """(key, value name) of every registry value the setting writes."""
    key = policy.get("key")
    writes = set()
    if policy.get("valueName") is not None:
        writes.add((key, policy.get("valueName")))
    elements = policy.find(tag("elements"))
    for element in (elements if elements is not None else []):
        writes.add((element.get("key", key), element.get("valueName")))
    return writes


def written_value(container):
    """enabledValue/disabledValue as ("number", n), ("text", s) or ("delete", None)."""
    if container is None or len(container) != 1:
        return None
    value = container[0]
    kind = local(value)
    if kind == "decimal":
        return ("number", int(value.get("value")))
    if kind == "string":
        return ("text", value.text or "")
    if kind == "delete":
        return ("delete", None)
    return (kind, None)


def planned(writes, name):
    for write in writes:
        if write["value"] == name:
            if write.get("delete"):
                return ("delete", None)
            if "text" in write:
                return ("text", write["text"])
            return ("number", write["number"])
    return None


def check(templates, table=None):
    faults = []
    admx = parse(templates.admx, "Morvex.admx", faults)
    languages = {}
    for lang in LANGUAGES:
        root = parse(templates.adml[lang], lang + "/Morvex.adml", faults)
        if root is not None:
            languages[lang] = Resources(root, lang, faults)
    if admx is None:
        return faults

    # The frame of the file.
    if admx.tag != tag("policyDefinitions"):
        faults.append("the ADMX root is %s, not policyDefinitions in the policy namespace" % admx.tag)
    for attribute, expected in (("schemaVersion", "1.0"), ("revision", None)):
        if admx.get(attribute) is None or (expected and admx.get(attribute) != expected):
            faults.append("policyDefinitions needs %s=\"%s\"" % (attribute, expected or "..."))
    children = [local(child) for child in admx]
    if children != list(CHILD_ORDER):
        faults.append("the ADMX children are %s, not %s" % (children, list(CHILD_ORDER)))
    targets = admx.findall("%s/%s" % (tag("policyNamespaces"), tag("target")))
    if len(targets) != 1 or not targets[0].get("prefix") or not targets[0].get("namespace"):
        faults.append("policyNamespaces needs one target with a prefix and a namespace")
    prefixes = {u.get("prefix"): u.get("namespace")
                for u in admx.iterfind("%s/%s" % (tag("policyNamespaces"), tag("using")))}
    if prefixes.get("windows") != "Microsoft.Policies.Windows":
        faults.append("policyNamespaces needs using prefix windows for Microsoft.Policies.Windows")
    resources = admx.find(tag("resources"))
    if resources is None or not resources.get("minRequiredRevision"):
        faults.append("resources needs minRequiredRevision")

    # References into the ADML files.
    used = {"string": set(), "presentation": set()}
    for element in admx.iter():
        for value in element.attrib.values():
            for kind, name in REFERENCE.findall(value):
                used[kind].add(name)
    english = languages.get(ENGLISH)
    for lang, res in languages.items():
        for kind, table_of in (("string", res.strings), ("presentation", res.presentations)):
            for name in sorted(used[kind] - set(table_of)):
                faults.append("%s: $(%s.%s) does not resolve" % (lang, kind, name))
            for name in sorted(set(table_of) - used[kind]):
                faults.append("%s: %s %s is used nowhere" % (lang, kind, name))
            if english is not None and lang != ENGLISH:
                reference = english.strings if kind == "string" else english.presentations
                if set(table_of) != set(reference):
                    faults.append("%s: the %s ids differ from en-US's: %s" % (
                        lang, kind, sorted(set(table_of) ^ set(reference))))
        if english is not None and lang != ENGLISH:
            for name, entry in res.strings.items():
                source = english.strings.get(name)
                if source is not None and entry.text == source.text and name not in SAME_IN_EVERY_LANGUAGE:
                    faults.append("%s: string %s is left in English" % (lang, name))
            for name, presentation in res.presentations.items():
                source = english.presentations.get(name)
                for control, original in zip(presentation, source if source is not None else []):
                    if (control.text or "").strip() and control.text == original.text:
                        faults.append("%s: the label of %s in presentation %s is left in English" % (
                            lang, control.get("refId"), name))

    def text_of(res, reference):
        match = REFERENCE.fullmatch(reference or "")
        entry = res.strings.get(match.group(2)) if match else None
        return entry.text if entry is not None and entry.text else ""

    # The category and the supported-on definitions.
    categories = {c.get("name") for c in admx.iterfind("%s/%s" % (tag("categories"), tag("category")))}
    definitions = {d.get("name") for d in admx.iter(tag("definition"))}
    if english is not None:
        names = [text_of(english, c.get("displayName")) for c in admx.iter(tag("category"))]
        if names != ["Morvex: AutoRun"]:
            faults.append("the templates' one category is %s, not \"Morvex: AutoRun\"" % names)

    # The settings.
    policies = admx.findall("%s/%s" % (tag("policies"), tag("policy")))
    names = [p.get("name") for p in policies]
    if names != [name for name, _ in SETTINGS]:
        faults.append("the settings are %s, not %s" % (names, [name for name, _ in SETTINGS]))
    values_of = dict(SETTINGS)
    for policy in policies:
        name = policy.get("name")
        if policy.get("class") not in HIVES_OF_CLASS:
            faults.append("%s: class %s is not Machine, User or Both" % (name, policy.get("class")))
        if not policy.get("key"):
            faults.append("%s has no key" % name)
        parent = policy.find(tag("parentCategory"))
        if parent is None or parent.get("ref") not in categories:
            faults.append("%s is in no category of the templates" % name)
        supported = policy.find(tag("supportedOn"))
        ref = supported.get("ref", "") if supported is not None else ""
        if ref not in definitions and ref.split(":", 1)[0] not in prefixes:
            faults.append("%s: supportedOn %r is defined nowhere" % (name, ref))

        elements = policy.find(tag("elements"))
        elements = list(elements) if elements is not None else []
        for element in elements:
            kind, label = local(element), "%s/%s" % (name, element.get("id"))
            bounds = BOUNDS.get(element.get("valueName"))
            if kind == "decimal":
                # Without maxValue the template allows only up to 9999.
                if element.get("minValue") is None or element.get("maxValue") is None:
                    faults.append("%s: minValue and maxValue must be given (maxValue is 9999 "
                                  "otherwise)" % label)
                elif bounds and (int(element.get("minValue")), int(element.get("maxValue"))) != bounds:
                    faults.append("%s: bounds %s..%s, not %d..%d" % (
                        label, element.get("minValue"), element.get("maxValue"), *bounds))
            if kind == "enum":
                for item in element.iter(tag("item")):
                    number = item.find("%s/%s" % (tag("value"), tag("decimal")))
                    value = int(number.get("value")) if number is not None else None
                    if value is None or (bounds and not bounds[0] <= value <= bounds[1]):
                        faults.append("%s: item value %s is out of bounds" % (label, value))
                        continue
                    # Each label starts with its number, in hexadecimal and in decimal.
                    for lang, res in languages.items():
                        shown = ITEM_LABEL.match(text_of(res, item.get("displayName")))
                        if not shown or int(shown.group(1), 16) != value or int(shown.group(2)) != value:
                            faults.append("%s: %s's label for %d does not start with 0x%02X (%d)" % (
                                label, lang, value, value, value))

        # The presentation holds one fitting control for each element, and no other.
        reference = REFERENCE.fullmatch(policy.get("presentation") or "")
        for lang, res in languages.items():
            presentation = res.presentations.get(reference.group(2)) if reference else None
            controls = {c.get("refId"): c for c in (presentation if presentation is not None else [])}
            expected = {e.get("id"): e for e in elements}
            if set(controls) != set(expected):
                faults.append("%s: %s's controls are for %s, its elements are %s" % (
                    lang, name, sorted(controls), sorted(expected)))
                continue
            for ref_id, control in controls.items():
                element = expected[ref_id]
                if local(control) != CONTROL_OF_ELEMENT.get(local(element)):
                    faults.append("%s: %s is shown as %s" % (lang, ref_id, local(control)))
                default = control.get("defaultValue")
                if default is not None and element.get("maxValue") is not None and not (
                        int(element.get("minValue", "0")) <= int(default) <= int(element.get("maxValue"))):
                    faults.append("%s: the default %s of %s is out of bounds" % (lang, default, ref_id))

        # The numbers' tables in the explanations, in every language.
        for lang, res in languages.items():
            explanation = text_of(res, policy.get("explainText"))
            if not explanation:
                faults.append("%s: %s has no explanation" % (lang, name))
            if name == "DriveTypesMask":
                bits = BIT_LINE.findall(explanation)
                if any(int(hex_, 16) != int(dec) for hex_, dec in bits) or \
                        {int(hex_, 16) for hex_, _ in bits} != {1 << n for n in range(8)} | {0xFF}:
                    faults.append("%s: %s's bit table is not 0x01 to 0x80 and 0xFF, each with its "
                                  "decimal number" % (lang, name))
            if name == "DriveLetters":
                letters = dict(LETTER.findall(explanation))
                expected = {chr(ord("A") + n): str(1 << n) for n in range(26)}
                if letters != expected:
                    faults.append("%s: %s's letter table is wrong at %s" % (lang, name, sorted(
                        k for k in set(letters) | set(expected) if letters.get(k) != expected.get(k))))

        # Against the policy's own table.
        if table is None or name not in values_of:
            continue
        entries = [table["values"].get(v) for v in values_of[name]]
        if None in entries:
            faults.append("%s: the policy has no value %s" % (name, values_of[name]))
            continue
        hives = {e["hive"] for e in entries}
        if HIVES_OF_CLASS.get(policy.get("class")) != hives:
            faults.append("%s: class %s, but the policy keeps the value in %s" % (
                name, policy.get("class"), sorted(hives)))
        wanted = {(e["key"], e["name"]) for e in entries}
        writes = setting_writes(policy)
        if writes != wanted:
            faults.append("%s writes %s, the policy's value is %s" % (name, sorted(writes), sorted(wanted)))

    if table is not None:
        faults.extend(check_written_values(admx, table))
    return faults


def check_written_values(admx, table):
    """What the settings write, against what Morvex's Save writes for the same choice."""
    faults = []
    policy = {p.get("name"): p for p in admx.iter(tag("policy"))}
    off, on = table["saveEverythingOff"], table["saveEverythingOn"]
    for name, value in (("IgnoreAutorunInf", "IniFileMapping"), ("CdromServiceAutoRun", "CdromAutoRun")):
        if name not in policy:
            continue
        for state, save in (("enabledValue", off), ("disabledValue", on)):
            got, expected = written_value(policy[name].find(tag(state))), planned(save, value)
            if got != expected:
                faults.append("%s: %s is %s, Morvex writes %s" % (name, state, got, expected))
    everything_off = planned(off, "MachineDriveTypes")
    if "DriveTypes" in policy:
        items = {int(d.get("value")) for d in policy["DriveTypes"].iterfind(
            ".//%s/%s/%s" % (tag("item"), tag("value"), tag("decimal")))}
        if everything_off is None or everything_off[1] not in items:
            faults.append("DriveTypes offers no choice for what Morvex writes with everything off (%s)"
                          % (everything_off,))
    for name, value_name, top in (("DriveTypesMask", "NoDriveTypeAutoRun", everything_off and everything_off[1]),
                                  ("DriveLetters", "NoDriveAutoRun", table["allLetters"])):
        if name not in policy:
            continue
        for element in policy[name].iter(tag("decimal")):
            if element.get("valueName") == value_name and element.get("maxValue") != str(top):
                faults.append("%s: maxValue %s, but Morvex's largest %s is %s" % (
                    name, element.get("maxValue"), value_name, top))
    return faults


def well_formed_by_xmllint(folder):
    xmllint = shutil.which("xmllint")
    if xmllint is None:
        print("xmllint not found (Debian: libxml2-utils): well-formedness checked by Python's parser only")
        return []
    files = [os.path.join(folder, "Morvex.admx")] + [os.path.join(folder, lang, "Morvex.adml") for lang in LANGUAGES]
    run = subprocess.run([xmllint, "--noout"] + files, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         universal_newlines=True)
    return [] if run.returncode == 0 else ["xmllint: " + run.stdout.strip()]


def read_table(command):
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True)
    if run.returncode != 0:
        raise SystemExit("%s failed (%d): %s" % (command, run.returncode, run.stderr))
    # Wine's own messages may come before the program's line.
    lines = [line for line in run.stdout.splitlines() if line.startswith("{")]
    if len(lines) != 1:
        raise SystemExit("%s printed no table: %r" % (command, run.stdout))
    return json.loads(lines[0])


def main(argv):
    if len(argv) < 2 or (len(argv) > 2 and (argv[2] != "--table-command" or len(argv) < 4)):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    folder = argv[1]
    table = read_table(argv[3:]) if len(argv) > 2 else None
    faults = well_formed_by_xmllint(folder) + check(Templates.read(folder), table)
    for fault in faults:
        print(fault)
    if table is None:
        print("keys and value names not compared: no --table-command")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
