#!/usr/bin/env bash
# Writes dist/sigplug.reg and dist/dockplug.reg: the registry entries an NPAPI
# browser reads to find a plug-in outside its own plug-in folder. The values
# come from each DLL's version resource, as the browser would show them.
# Usage: scripts/make-reg.sh [INSTALL_DIR]   (Windows folder the DLLs go to;
#        default C:\Program Files (x86)\npplugins)
# The entries go under HKEY_CURRENT_USER: no administrator rights needed, and
# the same key serves 32-bit browsers on 32- and 64-bit Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
install_dir=${1:-'C:\Program Files (x86)\npplugins'}

# The UTF-16 string table reads as key, value, key, value...; rts is 3 characters.
resource_value() {  # DLL KEY
    strings -el -n 3 "$1" | awk -v key="$2" 'found { print; exit } $0 == key { found = 1 }'
}

reg_text() { printf '%s' "$1" | sed 's/\\/\\\\/g; s/"/\\"/g'; }

for name in sigplug dockplug; do
    dll=dist/$name.dll
    [ -f "$dll" ] || { echo "make-reg: missing $dll (run ./build.sh)" >&2; exit 2; }
    vendor=$(resource_value "$dll" CompanyName)
    mime=$(resource_value "$dll" MIMEType)
    [ -n "$vendor" ] && [ -n "$mime" ] || { echo "make-reg: $dll has no version strings" >&2; exit 1; }
    key="HKEY_CURRENT_USER\\Software\\MozillaPlugins\\@${vendor,,}/$name,version=1.0.0.1"
    {
        echo "REGEDIT4"
        echo
        echo "[$key]"
        echo "\"Path\"=\"$(reg_text "$install_dir\\$name.dll")\""
        echo "\"Description\"=\"$(reg_text "$(resource_value "$dll" FileDescription)")\""
        echo "\"ProductName\"=\"$(reg_text "$(resource_value "$dll" ProductName)")\""
        echo "\"Vendor\"=\"$(reg_text "$vendor")\""
        echo "\"Version\"=\"1.0.0.1\""
        echo
        echo "[$key\\MimeTypes]"
        echo
        echo "[$key\\MimeTypes\\$mime]"
        echo "\"Description\"=\"$(reg_text "$(resource_value "$dll" FileOpenName)")\""
        echo "\"Suffixes\"=\"$(reg_text "$(resource_value "$dll" FileExtents)")\""
    } | sed 's/$/\r/' >"dist/$name.reg"
    echo "wrote dist/$name.reg"
done
