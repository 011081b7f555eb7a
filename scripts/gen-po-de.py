#!/usr/bin/env python3
"""Writes resources/lang/quillex.de.po from the Tr("key", "german") pairs of
the sources (also key/text pairs in tables and the keyed German constants).
The English and Chinese catalogues must hold every key of it."""

import codecs
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
LIT = r'"(?:[^"\\\n]|\\.)*"'
LITS = rf'((?:{LIT}\s*)+)'
KEY = r'"([a-z][a-z0-9_]*\.[a-z0-9_.]+)"'


def unquote(lits):
    out = b""
    for m in re.finditer(LIT, lits):
        out += codecs.escape_decode(m.group(0)[1:-1].encode("utf-8"))[0]
    return out.decode("utf-8")


def main():
    texts = {}
    consts = {}
    srcs = sorted((ROOT / "src").rglob("*.[ch]*"))
    for p in srcs:
        s = p.read_text(encoding="utf-8")
        for m in re.finditer(rf'constexpr std::string_view (\w+)\s*=\s*{LITS};', s):
            consts[m.group(1)] = unquote(m.group(2))
    for p in srcs:
        s = p.read_text(encoding="utf-8")
        pairs = [(m.group(1), unquote(m.group(2))) for m in re.finditer(rf'{KEY}\s*,\s*{LITS}(?=[,)}}])', s)]
        pairs += [(m.group(1), consts[m.group(2)])
                  for m in re.finditer(rf'{KEY}\s*,\s*(\w+)\.data\(\)', s) if m.group(2) in consts]
        pairs += [(m.group(2), consts[m.group(1)])
                  for m in re.finditer(rf'\{{\s*\w+::(\w+)\s*,\s*{KEY}\s*\}}', s) if m.group(1) in consts]
        # Parallel key and text arrays.
        for m in re.finditer(r'keys\[\]\s*=\s*\{([^}]*)\};\s*static const char\* const texts\[\]\s*=\s*\{([^}]*)\}', s):
            ks = re.findall(KEY, m.group(1))
            ts = [unquote(t) for t in re.findall(LIT, m.group(2))]
            pairs += list(zip(ks, ts))
        for k, t in pairs:
            if k.endswith((".png", ".qxproj", ".po", ".settings")) or re.fullmatch(KEY, '"' + t + '"'):
                continue
            texts.setdefault(k, t)
    out = ['# Quillex, German (the built-in texts).', 'msgid ""', 'msgstr ""',
           '"Content-Type: text/plain; charset=UTF-8\\n"', '']
    for k in sorted(texts):
        out += [f'#: {k}', f'msgctxt "{k}"', f'msgid {po(texts[k])}', f'msgstr {po(texts[k])}', '']
    dest = ROOT / "resources" / "lang" / "quillex.de.po"
    dest.parent.mkdir(parents=True, exist_ok=True)
    dest.write_text("\n".join(out), encoding="utf-8")
    print(f"{len(texts)} entries -> {dest.relative_to(ROOT)}", file=sys.stderr)


def po(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n").replace("\t", "\\t") + '"'


if __name__ == "__main__":
    main()
