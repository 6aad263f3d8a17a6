#!/usr/bin/env bash
# Writes the generated files of the demo base directory (pictures, programme PDF, the
# presentation slideshow.odp, caption list, web update list, file set) into demo/. The
# files it does not write (settings files, welcome.htm, parts, part values, worksheet) are
# kept by hand and left alone. Needs the packages of setup.sh (Qt, the IPA Japanese fonts
# and LibreOffice).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S "$root/scripts/make_demo" -B "$root/build-make-demo" "${generator[@]}" >/dev/null
cmake --build "$root/build-make-demo"
QT_QPA_PLATFORM=offscreen "$root/build-make-demo/make_demo" "$root/demo"
# The presentation: LibreOffice writes the .odp from the flat source, on a profile of its own.
profile="$(mktemp -d)"
trap 'rm -rf "$profile" "$root/demo/slideshow.fodp"' EXIT
soffice "-env:UserInstallation=file://$profile" --headless --norestore \
  --convert-to odp --outdir "$root/demo" "$root/demo/slideshow.fodp" >/dev/null
test -s "$root/demo/slideshow.odp"
ls -l "$root/demo"
