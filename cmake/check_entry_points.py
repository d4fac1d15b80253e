#!/usr/bin/env python3
"""Checks that each platform library's entry points are written alike in its three places.

A platform library is a folder of platform/ with an exports.cpp. Its entry points are:
  - defined:  the functions its folder's sources define as `extern "C" <type> WINAPI <Name>(`
              (WINAPIV for the variadic ones),
  - exported: the names of the X(<Name>) list in its exports.cpp, which LoadLibraryA and
              GetProcAddress hand out,
  - declared: the functions platform/include declares as `<type> WINAPI <Name>(`.

Every defined function must be exported, and every exported one defined, by the library itself or, for a
name one library exports on behalf of another (setupapi.dll hands out cfgmgr32's
CMP_WaitNoPendingInstallEvents, as Windows' does), by another platform library. Every exported name must
be declared, and every declared one exported by some library. The check lists every name that breaks
one of these and fails.

Usage: check_entry_points.py <platform folder>
"""

import pathlib
import re
import sys

DEFINITION = re.compile(r'extern\s+"C"\s+[^;{}()]*?\bWINAPIV?\s+(\w+)\s*\(')
DECLARATION = re.compile(r'\bWINAPIV?\s+(\w+)\s*\(')
EXPORT = re.compile(r'\bX\((\w+)\)')
COMMENT = re.compile(r'//[^\n]*|/\*.*?\*/', re.DOTALL)


def text_of(path):
    return COMMENT.sub('', path.read_text(encoding='utf-8'))


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    platform = pathlib.Path(sys.argv[1])
    declared = set()
    for header in sorted((platform / 'include').glob('*.h')):
        declared.update(DECLARATION.findall(text_of(header)))

    defined = {}
    exported = {}
    for exports in sorted(platform.glob('*/exports.cpp')):
        library = exports.parent.name
        exported[library] = set(EXPORT.findall(text_of(exports)))
        names = set()
        for source in sorted(exports.parent.glob('*.cpp')):
            names.update(DEFINITION.findall(text_of(source)))
        defined[library] = names

    defined_anywhere = set().union(*defined.values()) if defined else set()
    exported_anywhere = set().union(*exported.values()) if exported else set()
    faults = []
    for library in sorted(defined):
        for name in sorted(defined[library] - exported[library]):
            faults.append(f'{library}: {name} is defined but not in exports.cpp')
        for name in sorted(exported[library] - defined[library] - defined_anywhere):
            faults.append(f'{library}: {name} is in exports.cpp but no platform library defines it')
        for name in sorted(exported[library] - declared):
            faults.append(f'{library}: {name} is in exports.cpp but not declared in platform/include')
    for name in sorted(declared - exported_anywhere):
        faults.append(f'include: {name} is declared but no platform library exports it')

    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f'{len(exported_anywhere)} entry points of {len(exported)} libraries defined, exported and declared')
    return 0


if __name__ == '__main__':
    sys.exit(main())
