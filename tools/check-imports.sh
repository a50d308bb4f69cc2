#!/usr/bin/env bash
# Checks what each shipped PE imports.
#   check-imports.sh <objdump> <i686|x86_64> <pe>...
# Fails when a PE imports a DLL that is neither a Windows system DLL nor
# DuiLibu.dll (so the C and C++ runtimes must be linked in), and, for the
# shipped 32-bit build, when it imports an entry point that Windows XP lacks.
# The elevated ones, Setup.exe, Uninstall.exe and DuiLibu.dll (also under the
# names the kit check gives them, "kit_Setup.exe", "payload_DuiLibu.dll"),
# may import KnownDLLs only (and the two programs DuiLibu.dll): Windows
# looks up any other DLL beside the program first, where whoever could write
# there has planted it. The list holds the DLLs that are KnownDLLs from
# Windows XP (listed under Session Manager\KnownDLLs, or mapped in
# \KnownDlls as an import of one listed there) to Windows 11 (\KnownDlls);
# comctl32 (side by side), gdiplus, psapi and msimg32 are not among them on
# every version, and the programs load those from the system folder at run
# time (common/system_dll.h).
set -u
objdump=$1; arch=$2; shift 2
[ $# -gt 0 ] || { echo "check-imports: no shipped PE given"; exit 1; }

allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|psapi|comctl32|comdlg32|msvcrt|msimg32|imm32|version|winmm|uxtheme|duilibu)\.dll$'
known='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comdlg32|msvcrt|rpcrt4|imagehlp)\.dll$'
elevated='^(kit_|payload_)?(setup\.exe|uninstall\.exe|duilibu\.dll)$'
# Entry points that arrived after Windows XP: they must be looked up at run time.
post_xp='^(K32[A-Za-z]+|GetTickCount64|InitializeSRWLock|AcquireSRWLock(Shared|Exclusive)|ReleaseSRWLock(Shared|Exclusive)|TryAcquireSRWLock(Shared|Exclusive)|InitializeConditionVariable|SleepConditionVariable(CS|SRW)|WakeConditionVariable|WakeAllConditionVariable|InitOnce[A-Za-z]+|RegDeleteKeyExW|RegDeleteKeyExA|RegDeleteTreeW|RegDeleteTreeA|RegGetValueW|RegGetValueA|RegSetKeyValueW|CreateSymbolicLinkW|GetFinalPathNameByHandleW|FlsAlloc|FlsFree|FlsGetValue|FlsSetValue|SetFileInformationByHandle|GetFileInformationByHandleEx|CancelIoEx|CreateEventExW|CreateMutexExW|CreateSemaphoreExW|GetLocaleInfoEx|LCIDToLocaleName|LocaleNameToLCID|CompareStringEx|LCMapStringEx|GetUserDefaultLocaleName|QueryFullProcessImageNameW|SHGetKnownFolderPath|SHCreateItemFromParsingName|GetErrorMode|SetThreadErrorMode|GetThreadErrorMode|TaskDialog|TaskDialogIndirect|GetCurrentProcessorNumber|GetSystemTimePreciseAsFileTime|CreateFile2|GetDpiForWindow|SetProcessDPIAware|ChangeWindowMessageFilter|ChangeWindowMessageFilterEx|AddDllDirectory|SetDefaultDllDirectories)$'

status=0
for pe in "$@"; do
  name=$(basename "$pe")
  if [ ! -f "$pe" ]; then echo "check-imports: $name: missing"; status=1; continue; fi
  dump=$("$objdump" -p "$pe") || { echo "check-imports: $name: objdump failed"; status=1; continue; }
  dlls=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
  printf '%s: %s\n' "$name" "$(echo $dlls)"
  lname=$(printf '%s' "$name" | tr 'A-Z' 'a-z')
  while read -r dll; do
    [ -z "$dll" ] && continue
    ldll=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
    if ! printf '%s\n' "$ldll" | grep -Eq "$allowed"; then
      echo "  FAIL: $name imports $dll, which is no Windows system DLL"
      status=1
    elif printf '%s\n' "$lname" | grep -Eq "$elevated" && ! printf '%s\n' "$ldll" | grep -Eq "$known" &&
         { [ "$ldll" != duilibu.dll ] || printf '%s\n' "$lname" | grep -q 'duilibu\.dll$'; }; then
      echo "  FAIL: $name runs elevated and imports $dll, which is no KnownDLL (load it from the system folder)"
      status=1
    fi
  done <<< "$dlls"
  if [ "$arch" = i686 ]; then
    # Import table rows look like "  <hint> <name>" below each "DLL Name:" line.
    syms=$(printf '%s\n' "$dump" | awk '/DLL Name:/{indll=1; next} indll && NF==0 {indll=0} indll && $1 ~ /^[0-9a-f]+$/ && NF>=2 {print $NF}')
    bad=$(printf '%s\n' "$syms" | grep -E "$post_xp" | sort -u)
    if [ -n "$bad" ]; then
      echo "  FAIL: $name imports entry points that Windows XP lacks: $(echo $bad)"
      status=1
    fi
  fi
done
[ $status -eq 0 ] && echo "check-imports: $# PE file(s) import only system DLLs and DuiLibu.dll, the elevated ones only KnownDLLs"
exit $status
