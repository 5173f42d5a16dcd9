#!/usr/bin/env python3
"""The manual page and the bash completion name exactly what vantor-update offers.

    check-manual.py PROGRAM MANUAL COMPLETION [ZSH_OR_FISH_COMPLETION...]

Asks the built program (`--help`, then `SUBCOMMAND --help` for each subcommand it
lists) for its subcommands, their options and positional arguments, and the values
of options with a fixed set of them, and compares those sets with the manual page's
entries and the completion's word lists. An option added to the program without an
entry in both fails here, and so does an entry for something the program no longer
has. Exit status 0 when all agree, 1 with every difference listed otherwise.
"""

import os
import re
import subprocess
import sys

OPTION = re.compile(r"^-{1,2}[A-Za-z][A-Za-z0-9-]*$")
HELP = {"-h", "--help"}


def run_help(program, *words):
    result = subprocess.run([program, *words, "--help"], capture_output=True, text=True,
                            env={**os.environ, "LC_ALL": "C"})
    if result.returncode != 0:
        sys.exit(f"{program} {' '.join(words)} --help exited with {result.returncode}: {result.stderr}")
    return result.stdout


def help_sections(text):
    """CLI11's help: 'Options:', 'Subcommands:', 'Positionals:' headings, then lines
    with two spaces of indent for each entry (deeper ones continue a description)."""
    sections = {}
    current = None
    for line in text.splitlines():
        heading = re.match(r"^(\w+):$", line)
        if heading:
            current = sections.setdefault(heading.group(1), [])
        elif current is not None and re.match(r"^  \S", line):
            current.append(line.strip())
    return sections


def parse_help(text):
    """(options, choices per option, subcommands, positionals) of one --help text."""
    sections = help_sections(text)
    options, choices = set(), {}
    for entry in sections.get("Options", []):
        names, _, rest = entry.partition(" ")
        for name in names.split(","):
            # A flag with an optional value shows its default: "--wait{-1}".
            name = re.sub(r"\{[^}]*\}$", "", name)
            options.add(name)
            fixed = re.match(r"\S*:\{([^}]*)\}", rest.strip())
            if fixed:
                choices[name] = set(fixed.group(1).split(","))
    subcommands = {entry.split()[0] for entry in sections.get("Subcommands", [])}
    positionals = {entry.split()[0] for entry in sections.get("Positionals", [])}
    return options, choices, subcommands, positionals


def program_interface(program):
    options, choices, subcommands, _ = parse_help(run_help(program))
    per_subcommand = {}
    for subcommand in sorted(subcommands):
        sub_options, sub_choices, _, positionals = parse_help(run_help(program, subcommand))
        # A subcommand's help lists the global options too; the manual and the
        # completion name those once, under OPTIONS and global_options.
        per_subcommand[subcommand] = (sub_options - HELP - options, positionals)
        choices.update(sub_choices)
    return options, choices, per_subcommand


def plain_roff(line):
    """A roff line without requests' quotes and font changes, hyphens as '-'."""
    line = re.sub(r"\\f[BIRP]", "", line)
    line = line.replace("\\-", "-").replace("\\e", "\\").replace('"', " ")
    line = re.sub(r"\s*\|\s*", "|", line)
    return re.sub(r"^\.\w+\s*", "", line) if line.startswith(".") else line


def manual_interface(path):
    """Options are the `.TP` terms of OPTIONS; each `.SS` of SUBCOMMANDS names a
    subcommand (its positional arguments in capitals after it) and its `.TP` terms
    are that subcommand's options. A term's `a|b` lists the option's values."""
    options, choices, per_subcommand = set(), {}, {}
    section = subcommand = None
    lines = open(path, encoding="utf-8").read().splitlines()
    for index, line in enumerate(lines):
        if line.startswith(".SH"):
            section = plain_roff(line).strip()
            subcommand = None
        elif line.startswith(".SS") and section == "SUBCOMMANDS":
            words = plain_roff(line).split()
            subcommand = words[0]
            per_subcommand[subcommand] = (set(), {w for w in words[1:] if w.isupper()})
        elif line.startswith(".TP") and index + 1 < len(lines) and section in ("OPTIONS", "SUBCOMMANDS"):
            words = plain_roff(lines[index + 1]).replace(",", " ").split()
            names = {word for word in words if OPTION.match(word)}
            values = [word for word in words if "|" in word]
            if section == "OPTIONS":
                options |= names
            elif subcommand is not None:
                per_subcommand[subcommand][0].update(names)
            for name in names:
                if values:
                    choices[name] = set(values[0].split("|"))
    return options, choices, per_subcommand


def completion_interface(path):
    """The word lists of the completion function: `subcommands=`, `global_options=`,
    `NAME) sub_options=` per subcommand, and `compgen -W` after an option's case."""
    text = open(path, encoding="utf-8").read()
    options = set(re.search(r'global_options="([^"]*)"', text).group(1).split())
    subcommands = set(re.search(r'subcommands="([^"]*)"', text).group(1).split())
    per_subcommand = {name: (set(words.split()), None)
                      for name, words in re.findall(r'^\s*([\w-]+)\) sub_options="([^"]*)"', text, re.M)}
    choices = {name: set(words.split())
               for name, words in re.findall(r'^\s*(--[\w-]+)\)\s*\n\s*COMPREPLY=\(\$\(compgen -W "([^"]*)"',
                                             text, re.M)}
    missing = subcommands ^ set(per_subcommand)
    if missing:
        sys.exit(f"{path}: subcommands without a sub_options line or the other way round: {sorted(missing)}")
    return options, choices, per_subcommand


def compare(what, program_set, other_set, problems):
    for name in sorted(program_set - other_set):
        problems.append(f"{what}: the program has {name}, missing here")
    for name in sorted(other_set - program_set):
        problems.append(f"{what}: {name} is not in the program's --help")


def check(source, program, other):
    options, choices, per_subcommand = program
    other_options, other_choices, other_subcommands = other
    problems = []
    compare(f"{source}: options", options, other_options, problems)
    compare(f"{source}: subcommands", set(per_subcommand), set(other_subcommands), problems)
    for name, (sub_options, positionals) in per_subcommand.items():
        if name not in other_subcommands:
            continue
        other_sub_options, other_positionals = other_subcommands[name]
        compare(f"{source}: options of {name}", sub_options, other_sub_options, problems)
        if other_positionals is not None:
            compare(f"{source}: arguments of {name}", positionals, other_positionals, problems)
    for name, values in choices.items():
        if name in other_choices or source.endswith("completion"):
            compare(f"{source}: values of {name}", values, other_choices.get(name, set()), problems)
        else:
            problems.append(f"{source}: {name} takes one of {sorted(values)}, not listed here")
    return problems


def other_shells_problems(path, interface):
    """zsh's and fish's completions: every option and subcommand of the program is in
    them (fish names options `-l name` and `-s x`; zsh as typed)."""
    text = open(path, encoding="utf-8").read()
    if path.endswith(".fish"):
        named = {"--" + n for n in re.findall(r"-l (\S+)", text)} | {"-" + n for n in re.findall(r"-s (\S)\b", text)}
        commands = set(re.findall(r"-a (\w+) -d", text))
    else:
        named = set(re.findall(r"(?<![\w-])(--?[A-Za-z][\w-]*)", text))
        commands = set(re.findall(r"^\s*['\"](\w+):", text, re.M))
    options, _, per_subcommand = interface
    wanted = set(options) | {o for sub, _ in per_subcommand.values() for o in sub}
    problems = [f"{path}: the program has {name}, missing here" for name in sorted(wanted - named)]
    problems += [f"{path}: the program has the command {name}, missing here"
                 for name in sorted(set(per_subcommand) - commands)]
    return problems


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    program, manual, completion = sys.argv[1:4]
    interface = program_interface(program)
    problems = check("manual page", interface, manual_interface(manual))
    problems += check("bash completion", interface, completion_interface(completion))
    for other in sys.argv[4:]:
        problems += other_shells_problems(other, interface)
    for problem in problems:
        print(problem)
    if problems:
        return 1
    options, _, per_subcommand = interface
    print(f"manual page and completion agree with the program: {len(options)} options, "
          f"subcommands {', '.join(sorted(per_subcommand))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
