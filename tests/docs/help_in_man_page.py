#!/usr/bin/env python3
"""The manual page says what --help says: every command and option that a
program's --help names is described in its scdoc source, and every command the
manual page describes is one that --help knows.

    help_in_man_page.py PROGRAM MAN_SOURCE
"""
import re
import subprocess
import sys


def top_level_segments(line):
    """Splits a usage line at the '|' that stand outside brackets."""
    segments, depth, current = [], 0, ""
    for ch in line:
        if ch in "[(":
            depth += 1
        elif ch in "])":
            depth -= 1
        if ch == "|" and depth == 0:
            segments.append(current.strip())
            current = ""
        else:
            current += ch
    segments.append(current.strip())
    return segments


def help_commands(program, text):
    commands = set()
    prefix = program + " "
    for line in text.splitlines():
        line = line.strip()
        if not line.startswith(prefix):
            continue
        for segment in top_level_segments(line[len(prefix):]):
            word = segment.split()[0] if segment.split() else ""
            if re.fullmatch(r"[a-z][a-z-]*", word):
                commands.add(word)
    return commands


def help_options(text):
    return set(re.findall(r"(?<![\w-])(--?[a-z][a-z-]*)", text))


def man_commands(source):
    """The terms of the COMMANDS section: lines '*name* ...' at its left margin."""
    section = re.search(r"^# COMMANDS\n(.*?)(?=^# )", source, re.S | re.M)
    if not section:
        return set()
    return set(re.findall(r"^\*([a-z][a-z-]*)\*", section.group(1), re.M))


def main():
    program_path, man_path = sys.argv[1], sys.argv[2]
    result = subprocess.run([program_path, "--help"], capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.strip():
        print(f"{program_path} --help failed (exit status {result.returncode})")
        return 1
    text = result.stdout
    source = open(man_path, encoding="utf-8").read()
    program = re.sub(r".*/", "", program_path)
    faults = []
    commands = help_commands(program, text)
    described = man_commands(source)
    for command in sorted(commands - described):
        faults.append(f"command '{command}' of --help is not described in {man_path}")
    for option in sorted(help_options(text)):
        if f"*{option}*" not in source:
            faults.append(f"option '{option}' of --help is not in {man_path}")
    for command in sorted(described - commands):
        faults.append(f"{man_path} describes command '{command}', which --help does not name")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
