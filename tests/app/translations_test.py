#!/usr/bin/env python3
"""Every translatable text of the window has a finished English translation.

The .ts file is brought up to date from the sources first (on a copy, with
lupdate), so a text added to the sources and not yet translated fails here, as
does a translation that drops a %1 placeholder of its source.

    translations_test.py LUPDATE SOURCE_ROOT TS_FILE DIR...
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def main():
    lupdate, root, ts_file, dirs = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    with tempfile.TemporaryDirectory() as scratch:
        fresh = os.path.join(scratch, os.path.basename(ts_file))
        shutil.copyfile(ts_file, fresh)
        run = subprocess.run(
            [lupdate, "-no-obsolete", "-locations", "none", "-extensions", "cpp,h",
             "-tr-function-alias", "QT_TRANSLATE_NOOP+=ORVALIN_UI_TEXT"]
            + [os.path.join(root, d) for d in dirs] + ["-ts", fresh],
            capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stdout, run.stderr)
            print("lupdate failed")
            return 1
        tree = ET.parse(fresh)
    faults = []
    # tr() takes its context from the class's full name (with its namespace),
    # which lupdate does not see in "namespace a::b {": such a text would never
    # be translated. The sources name their context with translate().
    bare_tr = re.compile(r"(?<![\w.>])(?:\w+::)?tr\(\"")
    for d in dirs:
        for folder, _, files in os.walk(os.path.join(root, d)):
            for name in files:
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        if bare_tr.search(line):
                            faults.append(f"tr() instead of translate(): {path}:{number}")
    count = 0
    for context in tree.getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            count += 1
            source = "".join(message.find("source").itertext())
            translation = message.find("translation")
            text = "" if translation is None else "".join(translation.itertext())
            where = f"{name}: {source!r}"
            if translation is None or translation.get("type") in ("unfinished", "vanished", "obsolete"):
                faults.append(f"not translated: {where}")
            elif not text.strip():
                faults.append(f"empty translation: {where}")
            elif sorted(re.findall(r"%\d", source)) != sorted(re.findall(r"%\d", text)):
                faults.append(f"placeholders differ: {where} -> {text!r}")
            elif re.search(r"[\u4e00-\u9fff]", text):
                faults.append(f"Chinese left in the translation: {where} -> {text!r}")
    if count == 0:
        faults.append("no translatable text found in the sources")
    for fault in faults:
        print(fault)
    print(f"{count} texts, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
