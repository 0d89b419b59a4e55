#!/usr/bin/env python3
"""The key extraction of translation_keys.py on a small source with every form it meets."""

import os
import subprocess
import sys
import tempfile

SOURCE = r'''
// T("in a line comment") is not a key
/* Translate("in a block comment") neither */
void Texts()
{
    SetText(IDC_A, T("Plain"));
    SetText(IDC_B, T( "Joined "
                      "over two lines" ));
    SetText(IDC_C, T(name));                      // not a literal: no key
    SetText(IDC_D, T(std::string("x") + "y"));    // not only literals: no key
    auto s = LanguageStrings::Instance().Translate("Through the catalogue");
    auto q = T("Quote \" and backslash \\ and \x41\101");
    auto u = T("\xC3\xBC" "ber");                 // bytes of UTF-8, joined
    auto w = T("Error"), v = T("Error");          // twice: one key
    const char* text = "T(\"inside a string\")";
    NOT_T("not this") ; my.T("nor this");
}
const Row kRows[] = {{"--flag", TextKey("In a table")}, {"--other", NotTextKey("not this")}};
'''

EXPECTED = [
    r'{"Error", "a.cpp"},',
    r'{"In a table", "a.cpp"},',
    r'{"Joined over two lines", "a.cpp"},',
    r'{"Plain", "a.cpp"},',
    r'{"Quote \042 and backslash \134 and AA", "a.cpp"},',
    r'{"Through the catalogue", "a.cpp"},',
    r'{"\303\274ber", "a.cpp"},',
]


def main():
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "translation_keys.py")
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "a.cpp"), "w", encoding="utf-8") as source:
            source.write(SOURCE)
        output = os.path.join(folder, "keys.inc")
        subprocess.run([sys.executable, script, output, folder], check=True)
        with open(output, encoding="utf-8") as result:
            lines = result.read().splitlines()[1:]
    if lines != EXPECTED:
        print("expected:\n  " + "\n  ".join(EXPECTED) + "\ngot:\n  " + "\n  ".join(lines))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
