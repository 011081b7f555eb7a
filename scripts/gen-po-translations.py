#!/usr/bin/env python3
"""Writes resources/lang/quillex.en.po and quillex.zh.po: every key of the
German catalogue, translated from resources/lang/translations.tsv (key, English,
Chinese); a key without translation gets an empty msgstr and shows German."""

import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parent.parent
LANG = ROOT / "resources" / "lang"


def po(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def unescape(cell):
    # In a cell \n is a line break and \\ a backslash, so \\n is a literal backslash-n.
    return re.sub(r"\\(\\|n)", lambda m: "\\" if m.group(1) == "\\" else "\n", cell)


def main():
    de = (LANG / "quillex.de.po").read_text(encoding="utf-8")
    entries = re.findall(r'msgctxt "(.*?)"\nmsgid (".*?")\n', de)
    table = {}
    for line in (LANG / "translations.tsv").read_text(encoding="utf-8").splitlines():
        if line.startswith("#") or not line.strip():
            continue
        key, en, zh = line.split("\t")
        table[key] = {"en": unescape(en), "zh": unescape(zh)}
    for code, name in (("en", "English"), ("zh", "Chinese")):
        out = [f"# Quillex, {name}.", 'msgid ""', 'msgstr ""',
               '"Content-Type: text/plain; charset=UTF-8\\n"', ""]
        for key, msgid in entries:
            text = table.get(key, {}).get(code)
            out += [f"#: {key}", f'msgctxt "{key}"', f"msgid {msgid}",
                    f"msgstr {po(text) if text is not None else chr(34) * 2}", ""]
        (LANG / f"quillex.{code}.po").write_text("\n".join(out), encoding="utf-8")


if __name__ == "__main__":
    main()
