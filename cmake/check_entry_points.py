#!/usr/bin/env python3
"""Checks that each platform library's entry points are written alike in its three places.

A platform library is a folder of platform/ with an exports.cpp. Its entry points are:
  - defined:  the functions its folder's sources define as `extern "C" <type> WINAPI <Name>(`
              (WINAPIV for the variadic ones; `STDAPI <Name>(` or `STDAPI_(<type>) <Name>(` for COM's),
  - exported: the names of the X(<Name>) list in its exports.cpp, which LoadLibraryA and
              GetProcAddress hand out,
  - declared: the functions platform/include declares in the same forms.

Every defined function must be exported, and every exported one defined, by the library itself or, for a
name one library exports on behalf of another (setupapi.dll hands out cfgmgr32's
CMP_WaitNoPendingInstallEvents, as Windows' does), by another platform library. Every exported name must
be declared, and every declared one exported by some library. The check lists every name that breaks
one of these and fails; names declared for others to define, or ahead of their library, are listed in
EXEMPT with the reason.

Usage: check_entry_points.py <platform folder>
"""

import pathlib
import re
import sys

# STDAPI, STDAPI_(type) and STDAPICALLTYPE are COM's own forms of the same: extern "C", the system's
# calling convention.
COM_FORM = r'\bSTDAPI(?:_\([^()]*\))?\s+(\w+)\s*\('
DEFINITION = re.compile(r'extern\s+"C"\s+[^;{}()]*?\b(?:WINAPIV?|STDAPICALLTYPE)\s+(\w+)\s*\(|' + COM_FORM)
DECLARATION = re.compile(r'\b(?:WINAPIV?|STDAPICALLTYPE)\s+(\w+)\s*\(|' + COM_FORM)
EXPORT = re.compile(r'\bX\((\w+)\)')
# Names declared in platform/include that no platform library exports, and why.
EXEMPT = {
    # A COM server's own entry points: objbase.h declares them for each server to define and export.
    'DllCanUnloadNow': 'each COM server defines it',
    'DllGetClassObject': 'each COM server defines it',
    'DllRegisterServer': 'each COM server defines it',
    'DllUnregisterServer': 'each COM server defines it',
}
COMMENT = re.compile(r'//[^\n]*|/\*.*?\*/', re.DOTALL)


def text_of(path):
    return COMMENT.sub('', path.read_text(encoding='utf-8'))


def names_of(pattern, text):
    return {next(group for group in match.groups() if group) for match in pattern.finditer(text)}


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    platform = pathlib.Path(sys.argv[1])
    declared = set()
    for header in sorted((platform / 'include').glob('*.h')):
        declared.update(names_of(DECLARATION, text_of(header)))

    defined = {}
    exported = {}
    for exports in sorted(platform.glob('*/exports.cpp')):
        library = exports.parent.name
        exported[library] = set(EXPORT.findall(text_of(exports)))
        names = set()
        for source in sorted(exports.parent.glob('*.cpp')):
            names.update(names_of(DEFINITION, text_of(source)))
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
    for name in sorted(declared - exported_anywhere - EXEMPT.keys()):
        faults.append(f'include: {name} is declared but no platform library exports it')
    for name in sorted(EXEMPT.keys() & exported_anywhere):
        print(f'note: {name} is exported now; its exemption in check_entry_points.py can go')

    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f'{len(exported_anywhere)} entry points of {len(exported)} libraries defined, exported and declared')
    return 0


if __name__ == '__main__':
    sys.exit(main())
