#!/usr/bin/env bash
# Builds the Tickwell installer with NSIS from two finished builds:
#   installer/build.sh <win64-build-dir> <win32-build-dir> <out.exe>
# The x86_64 build gives the programs and the 64-bit TickwellFeed.dll and TickwellRtd.dll, the
# i686 build the 32-bit ones; the help page, its pictures, the expert and the DLL's header come from the
# source tree.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: installer/build.sh <win64-build-dir> <win32-build-dir> <out.exe>" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
win64=$(cd "$1" && pwd)/bin
win32=$(cd "$2" && pwd)/bin
out=$3
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
command -v makensis >/dev/null || { echo "installer: makensis not found (run script/setup)" >&2; exit 1; }

missing=()
for f in "$win64"/{tickwell,tickwell-feed,tickwell-watch,tickwell-sheet}.exe \
         "$win64"/{TickwellFeed,TickwellRtd}.dll "$win32"/{TickwellFeed,TickwellRtd}.dll \
         "$root"/app/help/tickwell-{help.html,window.png,sheet.png,refused.png} \
         "$root/mql5/TickwellFeed.mq5" "$root/mql5/TickwellService.mq5" \
         "$root/mql5/TickwellFeed.mqh" "$root/feed/tickwell_feed.h"; do
  [ -f "$f" ] || missing+=("$f")
done
if [ ${#missing[@]} -gt 0 ]; then
  printf 'installer: missing %s\n' "${missing[@]}" >&2
  exit 1
fi

# The version is the project's, a.b.c.d.
version=$(sed -n 's/^project(Tickwell VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
while [ "$(tr -cd . <<<"$version" | wc -c)" -lt 3 ]; do version=$version.0; done

makensis -V2 -DVERSION="$version" -DWIN64_BIN="$win64" -DWIN32_BIN="$win32" -DSOURCE="$root" \
  -DOUTFILE="$out" "$root/installer/tickwell.nsi"
echo "installer: $out"
