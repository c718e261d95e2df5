# The damage the demo and the end-to-end test inflict on a Windows XP SP3
# Chinese prefix, and the check that a repair undid it. Source it; it defines
# functions only. WINEPREFIX must name the prefix, wine must be callable.

# Files damaged in the system directory, each with how.
DEMO_DAMAGED_FILES="dsound.dll ddraw.dll d3d9.dll"
DEMO_APP_DIR='Program Files/DemoApp'

damage_demo_machine() {
    local sys=$WINEPREFIX/drive_c/windows/system32
    # Files are hard links to the template: always write a new file and
    # rename it over, never change one in place.
    head -c 1000 "$sys/dsound.dll" >"$sys/dsound.dll.new" && mv "$sys/dsound.dll.new" "$sys/dsound.dll"
    rm -f "$sys/ddraw.dll"
    # An older build: a PE whose FileVersion text ("4.0.0.0") sorts below the
    # release build's. Wine answers version queries for a file named like one
    # of its own DLLs with that DLL's version unless told to read the file.
    cp "$sys/wsock32.dll" "$sys/d3d9.dll.new" && mv "$sys/d3d9.dll.new" "$sys/d3d9.dll"
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v d3d9 /d native /f >/dev/null 2>&1

    wine reg add 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon' \
        /v Shell /d 'C:\windows\system32\hijack.exe' /f >/dev/null 2>&1
    wine reg add 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon' \
        /v Userinit /d 'C:\windows\system32\userinit.exe,' /f >/dev/null 2>&1

    # A program the user ran, with a DLL planted beside it under a system name.
    local app=$WINEPREFIX/drive_c/$DEMO_APP_DIR
    mkdir -p "$app"
    cp "$WINEPREFIX/drive_c/windows/notepad.exe" "$app/demoapp.exe"
    printf 'not a library\r\n' >"$app/lpk.dll"
    wine reg add 'HKCU\Software\Microsoft\Windows\ShellNoRoam\MUICache' \
        /v 'C:\Program Files\DemoApp\demoapp.exe' /d DemoApp /f >/dev/null 2>&1
}

# Prints one line per repair to check; returns nonzero when any failed.
check_demo_repaired() {
    local template=$1 failed=0 name shell
    local sys=$WINEPREFIX/drive_c/windows/system32
    for name in $DEMO_DAMAGED_FILES; do
        if cmp -s "$sys/$name" "$template/drive_c/windows/system32/$name"; then
            echo "ok      system32\\$name is byte-identical to the reference"
        else
            echo "FAILED  system32\\$name differs from the reference"
            failed=1
        fi
    done
    shell=$(wine reg query 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon' /v Shell 2>/dev/null |
        tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p')
    if [ "$shell" = 'C:\windows\explorer.exe' ]; then
        echo "ok      Winlogon Shell is $shell"
    else
        echo "FAILED  Winlogon Shell is '$shell'"
        failed=1
    fi
    local app=$WINEPREFIX/drive_c/$DEMO_APP_DIR
    if [ ! -e "$app/lpk.dll" ] && [ -f "$app/lpk.dll.orvix" ]; then
        echo "ok      the planted lpk.dll is quarantined as lpk.dll.orvix"
    else
        echo "FAILED  the planted lpk.dll is still in place"
        failed=1
    fi
    return $failed
}
