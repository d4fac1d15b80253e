#!/usr/bin/env bash
# Builds the system, then shows the uninstaller devpurge at work, end to end, in a sample Windows XP
# machine that has the software of an earlier device generation installed (examples/old-software-xp),
# after a short look at qualified INI lookups in a Windows 2000 machine (examples/sample-machine); then
# the test COM server registered by regsvr32 in a Windows XP machine and driven there by a script
# through cscript (examples/com-server); last, the diagnostics server kenrim07 registered in the product's
# program folder with its diagnostics database and driven by a script session (examples/diagnostics).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
winmachine=build/platform/tools/winmachine/winmachine
machine=build/demo-machine
rm -rf "$machine"

echo
echo "== Qualified INI lookups in a Windows 2000 machine (examples/sample-machine)"
"$winmachine" create "$machine" --os 2000 --sp 2
"$winmachine" import "$machine" examples/sample-machine/registry.reg
"$winmachine" put "$machine" examples/sample-machine/qnvins08.dat 'C:\WINNT\qnvins08.dat'
WINMACHINE="$machine" build/examples/ini_lookup_demo qnvins08.dat

# The uninstaller in a Windows XP machine with the Corvanta Serie 500 software (device generation 07).
example=examples/old-software-xp
machine=build/demo-xp-machine
snapshots=build/demo-xp-snapshots
program_folder='C:\Program Files\Corvanta\AiO\Serie 500'
shared_folder='C:\Program Files\Corvanta\AiO\Shared'
common_programs='C:\Documents and Settings\All Users\Start Menu\Programs'
product_code='{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E607}'
data_file=qnvuni07.dat
rm -rf "$machine" "$snapshots"
mkdir -p "$snapshots"

# Every file and folder of the machine's drives as a Windows path ("C:\WINDOWS\"), files with their size.
list_machine_files() {
  (cd "$machine/drives" && find . -mindepth 2 \( -type d -printf '%P/\n' -o -type f -printf '%P  (%s bytes)\n' \)) |
    sed -E 's#^([a-z])/#\U\1:/#' | tr '/' '\\' | LC_ALL=C sort -f
}

# The machine's texts are in its ANSI code page, Windows-1252; the terminal's is UTF-8.
to_terminal() {
  if command -v iconv >/dev/null; then iconv -f WINDOWS-1252 -t UTF-8; else cat; fi
}

# The Windows Installer products registered in the machine: packed product code and name.
list_installer_products() {
  "$winmachine" export "$machine" 'HKEY_LOCAL_MACHINE\Software\Classes\Installer\Products' | tr -d '\r' |
    awk -F'"' '/^\[.*\\Products\\[^\\]*\]$/ { count = split($0, parts, "\\"); key = substr(parts[count], 1, length(parts[count]) - 1) }
               /^"ProductName"=/ { print key ": " $4; found = 1 }
               END { if (!found) print "(none)" }'
}

# Prints the differences between two snapshots, or that there are none.
show_changes() {
  local what=$1 before=$2 after=$3
  if diff -q "$before" "$after" >/dev/null; then
    echo "(no change in the $what)"
  else
    diff -U 0 --label "$what before" --label "$what after" "$before" "$after" | grep -v '^@@' | to_terminal || true
  fi
}

echo
echo "== A Windows XP machine with the Corvanta Serie 500 software installed ($example)"
"$winmachine" create "$machine" --os xp
"$winmachine" import "$machine" "$example/registry.reg"
count=0
while IFS= read -r file; do
  # files/C/WINDOWS/... goes to C:\WINDOWS\...
  windows_path=$(printf '%s' "$file" | sed -E 's#^([A-Za-z])/#\1:/#' | tr '/' '\\')
  "$winmachine" put "$machine" "$example/files/$file" "$windows_path"
  count=$((count + 1))
done < <(cd "$example/files" && find . -type f -printf '%P\n' | LC_ALL=C sort)
echo "put $count files of the old software into the machine"
"$winmachine" install "$machine" devpurge "$program_folder\\devpurge.exe" --version 3.0.0.8 \
  --field CompanyName=Corvanta --field InternalName=devpurge --field OriginalFilename=devpurge.exe
"$winmachine" put "$machine" "$example/$data_file" "$program_folder\\$data_file"
# The old software's own programs that devpurge starts: the scanning utility's uninstall program and the
# status service's program; one stand-in (outside/removal_program) installed under each name, which notes
# its command line beside itself and ends at once.
"$winmachine" install "$machine" removal_program "$shared_folder\\QNVuns07.exe" --version 7.0.215.0 \
  --field CompanyName=Corvanta --field "FileDescription=Corvanta scanning utility removal"
"$winmachine" install "$machine" removal_program "$shared_folder\\QNVpms07.exe" --version 7.0.215.0 \
  --field CompanyName=Corvanta --field "FileDescription=Corvanta device status service"
# The product itself was installed with Windows Installer, which recorded the files and keys it laid down
# besides the programs: msiexec /x removes them.
"$winmachine" product "$machine" "$product_code" "Corvanta Serie 500" \
  --file "$program_folder\\QNVhub07.hlp" --file "$program_folder\\qnv500.ini" \
  --file "$common_programs\\Corvanta\\Serie 500\\Casella strumenti.lnk" \
  --file "$common_programs\\Corvanta\\Serie 500\\Centro soluzioni Corvanta.lnk" \
  --file "C:\\Documents and Settings\\All Users\\Desktop\\Corvanta Serie 500.lnk" \
  --key "SOFTWARE\\Corvanta\\Serie 500\\Install"
# The old software runs: the hub in the notification area (started from the Run key) with its solution
# centre open, the toolbox, and the status service's program; they hold their programs and libraries in
# use until they end. They close as programs do when asked: the hub a moment after WM_CLOSE, the toolbox
# after it has saved its settings, each at once on WM_QUIT or when terminated. Another maker's monitor
# runs beside them.
"$winmachine" declare "$machine" "$program_folder\\QNVhub07.exe" --command-line "$program_folder\\QNVhub07.exe -tray" \
  --module "$shared_folder\\QNVscn07.dll" \
  --window "Corvanta Serie 500|QNVhub07TrayWnd" \
  --window "Centro soluzioni Corvanta|QNVhub07MainWnd" --child "Scansione|Button" --child "Copia|Button" \
  --child "Casella strumenti|Button" --on-close 300ms > /dev/null
"$winmachine" declare "$machine" "$program_folder\\QNVtbx07.exe" --command-line "\"$program_folder\\QNVtbx07.exe\"" \
  --module "$shared_folder\\QNVscn07.dll" --module "$shared_folder\\QNVtwn07.dll" \
  --window "Casella strumenti - Corvanta Serie 500|QNVtbx07Frame" --child "Livelli d'inchiostro|Static" \
  --child "Pulizia testine|Button" --child "Allineamento testine|Button" --on-close 1s > /dev/null
"$winmachine" declare "$machine" "$shared_folder\\QNVpms07.exe" --command-line "\"$shared_folder\\QNVpms07.exe\"" > /dev/null
"$winmachine" declare "$machine" 'C:\Program Files\Acme\ZIP Tools\zipmon.exe' \
  --window "Acme ZIP Monitor|AcmeZipMonitor" > /dev/null
# The removable-storage manager still keeps the old card reader, unplugged long ago, beside another
# maker's drive in use.
"$winmachine" rsm "$machine" add "Corvanta Card Reader 05" --not-present > /dev/null
"$winmachine" rsm "$machine" add "Acme ZIP 100" > /dev/null
"$winmachine" info "$machine"
temp_folder=$("$winmachine" info "$machine" | sed -n 's/.*, temporary \(.*\), programs .*/\1/p')

echo
echo "== The old software's program folder"
"$winmachine" ls "$machine" "$program_folder"

echo
echo "== Processes"
"$winmachine" processes "$machine"
echo
echo "== Windows"
"$winmachine" windows "$machine"
echo
echo "== Windows Installer products (packed product code: name)"
list_installer_products
echo
echo "== Printers"
"$winmachine" printers "$machine"
echo
echo "== Ports"
"$winmachine" ports "$machine"
echo
echo "== Print monitors"
"$winmachine" monitors "$machine"
echo
echo "== Printer drivers"
"$winmachine" drivers "$machine"
echo
echo "== Plug and Play devices"
"$winmachine" devices "$machine"
echo
echo "== Services"
"$winmachine" services "$machine"
echo
echo "== Removable-storage drives"
"$winmachine" rsm "$machine"

"$winmachine" export "$machine" > "$snapshots/registry-before.reg"
list_machine_files > "$snapshots/files-before.txt"
echo
echo "== Snapshot before the run: $(grep -c '^\[' "$snapshots/registry-before.reg") registry keys," \
  "$(wc -l < "$snapshots/files-before.txt") files and folders (in $snapshots)"

# A copy of the machine as it is now, for a run with a person at the keyboard after the unattended one.
asked_machine=build/demo-xp-asked-machine
rm -rf "$asked_machine"
cp -a "$machine" "$asked_machine"

# The product's installer starts the uninstaller from the old software's folder with the data file's
# name; devpurge copies itself and the data file to the temporary folder, starts the copy there and ends
# at once. The copy writes to the same output, so reading it to the end waits for the copy too.
command_line="\"$program_folder\\devpurge.exe\" /datfile /unattended $data_file"
echo
echo "== Running $command_line"
output="$snapshots/devpurge-output.txt"
copy_state="its copy in the temporary folder, which did the work, has ended too"
if ! {
  code=0
  "$winmachine" run "$machine" "$command_line" || code=$?
  echo "$code" > "$snapshots/exit-status"
} 2>&1 | timeout 300 cat > "$output"; then
  copy_state="its copy in the temporary folder still ran after 300 seconds; the demonstration goes on without it"
fi
# winmachine run reports the program's whole exit code as "exit code <n>" on standard error; its own exit
# status keeps only the low eight bits (3010 arrives as 194).
whole_code=$(sed -n 's/^exit code \([0-9]\{1,\}\)$/\1/p' "$output" | tail -n 1)
echo "devpurge ended with exit code ${whole_code:-$(cat "$snapshots/exit-status" 2>/dev/null || echo '(unknown)')};" \
  "$copy_state"
if grep -qv '^exit code [0-9]*$' "$output"; then
  echo "Diagnostics printed by devpurge and its copy:"
  grep -v '^exit code [0-9]*$' "$output" | sed 's/^/  /' | to_terminal
else
  echo "Neither devpurge nor its copy printed diagnostics."
fi

# Both logs are named "<DIVISION>UNI0<ICE_REV>.<local time>.LOG" in the temporary folder; the operation
# log is written first, the error log only when there were errors.
host_temp="$machine/drives/$(printf '%s' "$temp_folder" | sed -E 's#^([A-Za-z]):\\#\L\1/#' | tr '\\' '/')"
mapfile -t logs < <(find "$host_temp" -maxdepth 1 -type f -name '*UNI0*.LOG' -printf '%T@ %f\n' | sort -n | cut -d' ' -f2-)
echo
if [ ${#logs[@]} -ge 1 ]; then
  echo "== Operation log: $temp_folder\\${logs[0]}"
  "$winmachine" cat "$machine" "$temp_folder\\${logs[0]}" | tr -d '\r' | to_terminal
  [ -n "$("$winmachine" cat "$machine" "$temp_folder\\${logs[0]}")" ] || echo "(empty: no uninstaller logged anything)"
  # Files still in use when the deletion pass comes are left for the next start.
  log_text=$("$winmachine" cat "$machine" "$temp_folder\\${logs[0]}" | tr -d '\r')
  echo "(deleted at once: $(grep -c '^Deleted=' <<< "$log_text" || true) files and folders;" \
    "left for the next start: $(grep -c '^DeleteOnNextReboot=' <<< "$log_text" || true))"
else
  echo "== Operation log: none was written to $temp_folder"
fi
echo
if [ ${#logs[@]} -ge 2 ]; then
  echo "== Error log: $temp_folder\\${logs[1]}"
  "$winmachine" cat "$machine" "$temp_folder\\${logs[1]}" | tr -d '\r' | to_terminal
else
  echo "== Error log: none (the run collected no errors)"
fi

echo
echo "== What the user was shown (UI transcript)"
"$winmachine" transcript "$machine" | to_terminal

"$winmachine" export "$machine" > "$snapshots/registry-after.reg"
list_machine_files > "$snapshots/files-after.txt"
echo
echo "== What changed in the registry (- removed, + added)"
show_changes registry "$snapshots/registry-before.reg" "$snapshots/registry-after.reg"
echo
echo "== What changed in the files (- removed, + added)"
show_changes files "$snapshots/files-before.txt" "$snapshots/files-after.txt"

# What is left of the printing system and the devices: the text-only printer, the Local Port and USB
# monitors, and whatever is not the old generation's.
for what in processes windows printers ports monitors drivers devices services; do
  echo
  echo "== ${what^} after the run"
  "$winmachine" "$what" "$machine"
done
echo
echo "== Windows Installer products after the run"
list_installer_products
echo
echo "== Removable-storage drives after the run"
"$winmachine" rsm "$machine"

# The same run with a person at the keyboard, in the copy made before: without /unattended devpurge
# first shows its warning, which the person answers "Avanti"; then its progress dialog. Every window
# shown has its picture in the machine's ui folder, named in the transcript.
echo
echo "== The same machine, a person at the keyboard: $asked_machine"
"$winmachine" answer "$asked_machine" IDOK
asked_command_line="\"$program_folder\\devpurge.exe\" /datfile $data_file"
echo "== Running $asked_command_line, answering IDOK (\"Avanti\") to the warning"
{ "$winmachine" run "$asked_machine" "$asked_command_line" || true; } 2>&1 | timeout 300 cat > /dev/null || true
echo
echo "== What the person was shown (UI transcript, with the pictures' files; the progress updates counted)"
"$winmachine" transcript "$asked_machine" | awk '
  / changed$/ { skipping = 1; updates++; next }
  skipping && /^  / { next }
  { skipping = 0; print }
  END { printf "(%d updates of a shown dialog left out)\n", updates }' | to_terminal
echo
echo "== The pictures of the windows shown, to open with any image viewer"
for picture in "$asked_machine"/ui/*.png; do echo "  $picture"; done
"$winmachine" screenshot "$asked_machine" --out "$asked_machine/screenshot.png" >/dev/null &&
  echo "  $asked_machine/screenshot.png (winmachine screenshot: the newest window's picture)"

# The test COM server (platform/framework/tests/comserver) in a Windows XP machine: installed, registered
# by regsvr32, driven by a script through cscript, then unregistered.
machine=build/demo-com-machine
snapshots=build/demo-com-snapshots
server='C:\Program Files\ComServer\comserver.dll'
script='C:\Scripts\thing.vbs'
rm -rf "$machine" "$snapshots"
mkdir -p "$snapshots"

# Runs a command line in the machine and prints its exit code, which winmachine reports on standard error.
run_in_machine() {
  local code=0
  "$winmachine" run "$machine" "$1" 2> "$snapshots/run-errors.txt" || code=$?
  grep -v '^exit code [0-9]*$' "$snapshots/run-errors.txt" || true
  local whole
  whole=$(sed -n 's/^exit code \([0-9]\{1,\}\)$/\1/p' "$snapshots/run-errors.txt" | tail -n 1)
  echo "(exit code ${whole:-$code})"
}

echo
echo "== The test COM server in a Windows XP machine ($machine)"
"$winmachine" create "$machine" --os xp
"$winmachine" install "$machine" comserver "$server"
"$winmachine" put "$machine" examples/com-server/thing.vbs "$script"
"$winmachine" export "$machine" > "$snapshots/registry-before.reg"
echo
echo "== Running regsvr32 /s \"$server\""
run_in_machine "regsvr32 /s \"$server\""
"$winmachine" export "$machine" > "$snapshots/registry-registered.reg"
echo
echo "== What regsvr32 registered (+ added)"
show_changes registry "$snapshots/registry-before.reg" "$snapshots/registry-registered.reg"
echo
echo "== Running cscript //nologo $script (examples/com-server/thing.vbs)"
run_in_machine "cscript //nologo $script"
echo
echo "== Running regsvr32 /u /s \"$server\""
run_in_machine "regsvr32 /u /s \"$server\""
"$winmachine" export "$machine" > "$snapshots/registry-unregistered.reg"
echo
echo "== What is left of the registration (+ still there compared with before regsvr32)"
show_changes registry "$snapshots/registry-before.reg" "$snapshots/registry-unregistered.reg"
"$winmachine" export "$machine" 'HKEY_CLASSES_ROOT\ComServer.Thing' || true
echo
echo "== Running cscript //nologo $script again: the class is gone"
run_in_machine "cscript //nologo $script"

# The diagnostics server kenrim07 in a Windows XP machine: installed in the product's program folder with
# its diagnostics database, the product's second type library registered as its installer does, the
# server registered by regsvr32, and a script session with its root object run from that folder.
machine=build/demo-kenro-machine
snapshots=build/demo-kenro-snapshots
bin='C:\Program Files\QNAiO\Bin'
server="$bin\\kenrim07.dll"
script='C:\Scripts\kenro.vbs'
rm -rf "$machine" "$snapshots"
mkdir -p "$snapshots"

echo
echo "== The diagnostics server in a Windows XP machine ($machine)"
"$winmachine" create "$machine" --os xp
"$winmachine" install "$machine" kenrim07 "$server"
"$winmachine" install "$machine" register_typelib "$bin\\register_typelib.exe"
"$winmachine" put "$machine" build/outside/QNAiODiagnostics.tlb "$bin\\QNAiODiagnostics.tlb"
"$winmachine" put "$machine" examples/diagnostics/kenrdb07.sdb "$bin\\kenrdb07.sdb"
"$winmachine" put "$machine" examples/diagnostics/kenro.vbs "$script"
echo
echo "== The product's installer registers its type library of diagnostics interfaces"
run_in_machine "\"$bin\\register_typelib.exe\" \"$bin\\QNAiODiagnostics.tlb\""
"$winmachine" export "$machine" > "$snapshots/registry-before.reg"
echo
echo "== Running regsvr32 /s \"$server\""
run_in_machine "regsvr32 /s \"$server\""
"$winmachine" export "$machine" > "$snapshots/registry-registered.reg"
echo
echo "== What regsvr32 registered: the class, its ProgIDs and the type library"
for key in 'HKEY_CLASSES_ROOT\QNAiO.Kenro' 'HKEY_CLASSES_ROOT\QNAiO.Kenro.1' \
  'HKEY_CLASSES_ROOT\CLSID\{7E7B9463-87EB-11D3-A499-0060B0F8AA86}' \
  'HKEY_CLASSES_ROOT\TypeLib\{7E7B9452-87EB-11D3-A499-0060B0F8AA86}'; do
  "$winmachine" export "$machine" "$key" | tr -d '\r' | grep -v '^REGEDIT4$' | to_terminal
done
echo "and $(diff "$snapshots/registry-before.reg" "$snapshots/registry-registered.reg" | tr -d '\r' |
  grep -c '^> \[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Interface\\{[^\\]*}\]$') interfaces of the type library"
echo
echo "== The diagnostics database before the session ($bin\\kenrdb07.sdb)"
"$winmachine" cat "$machine" "$bin\\kenrdb07.sdb" | tr -d '\r' | to_terminal
echo
echo "== Running cscript //nologo $script in $bin (examples/diagnostics/kenro.vbs)"
code=0
"$winmachine" run "$machine" "cscript //nologo $script" --folder "$bin" 2> "$snapshots/run-errors.txt" | to_terminal || code=$?
grep -v '^exit code [0-9]*$' "$snapshots/run-errors.txt" || true
echo "(exit code $code)"
echo
echo "== What the user was shown (UI transcript)"
"$winmachine" transcript "$machine" | to_terminal
echo
echo "== The [Kenro] settings after the session"
"$winmachine" cat "$machine" "$bin\\kenrdb07.sdb" | tr -d '\r' | sed -n '/^\[Kenro\]/,/^$/p' | to_terminal
