#!/usr/bin/env python3
"""Every command in README's "Building on Windows" is a line of a workflow step, and every
cmake and ctest line of a workflow is one of README's commands, so that what a reader
types by hand on a Windows PC is what CI runs there.

  check-readme-commands.py README.md WORKFLOW.yml...

A `${{ ... }}` in a step stands for one word of the README's command.
"""
import re
import sys


def main():
    readme = open(sys.argv[1], encoding="utf-8").read()
    section = readme.split("## Building on Windows", 1)[1].split("\n## ", 1)[0]
    commands = [line.strip() for block in re.findall(r"```(?:bat|sh)\n(.*?)```", section, re.S)
                for line in block.splitlines() if line.strip() and not line.lstrip().startswith("#")]
    steps = {re.sub(r"^(- )?run: *", "", line.strip()) for path in sys.argv[2:] for line in open(path, encoding="utf-8")}
    patterns = {step: re.compile(r"\S+".join(re.escape(part) for part in re.split(r"\$\{\{.*?\}\}", step)) + r"\Z")
                for step in steps if step}
    missing = [command for command in commands if not any(p.match(command) for p in patterns.values())]
    for command in missing:
        print("README's command is in no workflow step: " + command)
    for step, pattern in sorted(patterns.items()):
        if step.startswith(("cmake ", "ctest ")) and not any(pattern.match(command) for command in commands):
            missing.append(step)
            print("the workflow's command is not in README: " + step)
    if not commands:
        print("README's 'Building on Windows' has no commands")
        return 1
    if not missing:
        print("README: %d commands for Windows, each one a workflow step's" % len(commands))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
