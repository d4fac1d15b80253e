#!/usr/bin/env python3
"""Checks that the layers of the source tree stay apart.

- The deliverables (and their tests) reach the simulated machine only through platform/testing: no
  source of theirs includes a header of platform/machine. Their production code cannot reach it anyway
  (their include paths stop at platform/include and the framework); their tests could, through
  platform_testing's include path, and this check is what keeps them to TestMachine.
- Local time comes from each machine's own time zone: no source anywhere asks the host for its zone
  (localtime, mktime, tzset, the TZ variable).

Usage: check_layers.py <source folder>; lists each offending line and fails.
"""

import pathlib
import re
import sys

DELIVERABLES = ['devicelib', 'uninstaller', 'diagnostics', 'devmgrclient', 'toolbox', 'welcomer', 'devicesetup']
SOURCES = ('.c', '.cpp', '.h', '.hpp', '.inl')
MACHINE_INCLUDE = re.compile(r'#\s*include\s*["<]platform/machine/')
HOST_ZONE = re.compile(r'\b(localtime|localtime_r|localtime_s|mktime|tzset|timelocal)\s*\(|getenv\s*\(\s*"TZ"|\btzname\b')
COMMENT = re.compile(r'//.*$')
SKIPPED = {'build', 'build-sanitize', 'build-bench', '.git'}


def sources(root, folder):
    for path in sorted(folder.rglob('*')):
        if path.suffix in SOURCES and path.is_file() and not SKIPPED.intersection(path.relative_to(root).parts):
            yield path


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    root = pathlib.Path(sys.argv[1])
    faults = []
    for deliverable in DELIVERABLES:
        for path in sources(root, root / deliverable):
            for number, line in enumerate(path.read_text(encoding='utf-8', errors='replace').splitlines(), 1):
                if MACHINE_INCLUDE.search(line):
                    faults.append(f'{path.relative_to(root)}:{number}: includes the machine (use platform/testing): {line.strip()}')
    for path in sources(root, root):
        for number, line in enumerate(path.read_text(encoding='utf-8', errors='replace').splitlines(), 1):
            if HOST_ZONE.search(COMMENT.sub('', line)):
                faults.append(f'{path.relative_to(root)}:{number}: asks the host for its time zone: {line.strip()}')
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
