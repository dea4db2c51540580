#!/usr/bin/env bash
# Builds the Debian package from a built Release folder and checks it as a user's machine would
# get it: the files it holds, its dependencies, the desktop entry and metainfo, what lintian says
# (nothing but what the package overrides with its reason), and the program unpacked into a
# temporary root, started from another folder without a display.
#   tools/check-package.sh [build folder]      (default: build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
rm -f "$build"/kesto_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/kesto_"$version"_*.deb)
[ -f "$deb" ] || { echo "check-package: no package $build/kesto_${version}_*.deb" >&2; exit 1; }
echo "== $deb"
dpkg-deb --field "$deb"

fail() {
  echo "check-package: $*" >&2
  exit 1
}

# The files a user gets.
id=com.pellum.kesto
commands=(kesto kesto-sim kesto-monitor kesto-card)
expected=(
  ./usr/bin/kesto ./usr/bin/kesto-sim ./usr/bin/kesto-monitor ./usr/bin/kesto-card
  ./usr/share/doc/kesto/copyright ./usr/share/doc/kesto/changelog.gz
  ./usr/share/kesto/kesto.GER
  ./usr/share/applications/$id.desktop
  ./usr/share/metainfo/$id.metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/$id.svg
)
for size in 16 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
# With the export to Writer (built when the LibreOffice SDK is found): its Writer launcher and
# the report templates it opens.
desktop_entries=("$id.desktop")
writer=0
if [ -f "$build/wordexport/uno/libkesto_wordexport_uno.a" ]; then
  writer=1
  commands+=(kesto-writer)
  expected+=(./usr/bin/kesto-writer ./usr/share/applications/kesto-writer.desktop
    ./usr/share/kesto/kesto-report.ENG.ott ./usr/share/kesto/kesto-report.GER.ott
    ./usr/share/lintian/overrides/kesto)
  desktop_entries+=(kesto-writer.desktop)
fi
for command in "${commands[@]}"; do
  expected+=("./usr/share/man/man1/$command.1.gz")
done
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for file in "${expected[@]}"; do
  grep -qxF "$file" <<<"$contents" || fail "$file is missing from the package"
done
# Nothing else but folders.
unexpected=$(grep -v '/$' <<<"$contents" | grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$unexpected" ] || fail "unexpected files in the package: $unexpected"
depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6widgets6 libqt6serialport6 libc6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
echo "package holds the ${#expected[@]} expected files; Depends: $depends"
if ((writer)); then
  # Writer is recommended, not required; the launcher shows only where soffice is, and is no
  # handler of documents.
  recommends=$(dpkg-deb --field "$deb" Recommends)
  grep -qw "libreoffice-writer" <<<"$recommends" || fail "Recommends lacks libreoffice-writer"
  launcher=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/kesto-writer.desktop)
  grep -qx "TryExec=soffice" <<<"$launcher" && ! grep -q "^MimeType=" <<<"$launcher" ||
    fail "kesto-writer.desktop lacks TryExec=soffice or declares MimeType"
  echo "Recommends: $recommends; the Writer launcher needs soffice and handles no documents"
fi

# Debian's package checker: no error and no warning. A tag the package overrides (the run path
# to LibreOffice's UNO libraries) is explained in its overrides file.
command -v lintian >/dev/null || fail "lintian is not installed (tools/setup.sh installs it)"
status=0
said=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
said=$(grep -v 'running with root privileges' <<<"$said" || true)
[ -z "$said" ] || echo "$said"
[ "$status" = 0 ] || fail "lintian finds errors or warnings in the package (status $status)"
echo "lintian: no error, no warning"

root=$(mktemp -d "${TMPDIR:-/tmp}/kesto-package-check.XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/root"
share=$root/root/usr/share

for entry in "${desktop_entries[@]}"; do
  desktop-file-validate "$share/applications/$entry"
done
# The metainfo, and that its launchable desktop entry is in the tree.
appstreamcli validate-tree --no-net "$root/root"
echo "desktop entry and metainfo are valid"

# The unpacked program, started from elsewhere with a home of its own and no display.
program=$root/root/usr/bin/kesto
home=$root/home
mkdir -p "$home/.config/Pellum/dosdevices"
ln -s "$home/no-such-device" "$home/.config/Pellum/dosdevices/com1"
run() {
  (cd "$home" && env -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL -u LC_MESSAGES HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" "$@")
}

shown=$(run "$program" --version)
[ "$shown" = "Vantro Kesto $version" ] || fail "--version says '$shown', not 'Vantro Kesto $version'"
run "$program" --help | grep -q -- '--view' || fail "--help does not list --view"
# Every command answers --help and --version (its manual page is made from them).
for command in "${commands[@]}"; do
  help=$(run "$root/root/usr/bin/$command" --help) && [ -n "$help" ] ||
    fail "$command --help failed"
  run "$root/root/usr/bin/$command" --version | grep -q " $version\$" ||
    fail "$command --version does not give $version"
done
before=$(ls -A "$root/root/usr/bin")

report=$(run env LANG=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen KESTO_EXIT_AFTER_SHOW=1 "$program")
echo "$report"
grep -q '^shown after ' <<<"$report" || fail "the unpacked program did not show its main window"
grep -qxF "language file $share/kesto/kesto.GER" <<<"$report" ||
  fail "the unpacked program did not take its German texts from $share/kesto"
# "Open with" from the desktop entry: the viewer alone stays open until the user closes it.
status=0
run env QT_QPA_PLATFORM=offscreen timeout 3 "$program" --view "$home/none.CSV" >/dev/null 2>&1 ||
  status=$?
[ "$status" = 124 ] || fail "kesto --view FILE ended by itself (exit status $status)"
[ "$(ls -A "$root/root/usr/bin")" = "$before" ] || fail "the program wrote beside its binary"
if ((writer)); then
  # The launcher's command, with a stand-in soffice that tells what it was asked: Writer on the
  # pipe kesto, a new document from the template of the language.
  mkdir -p "$root/fake-bin"
  printf '#!/bin/sh\necho "$@"\n' >"$root/fake-bin/soffice"
  chmod +x "$root/fake-bin/soffice"
  for lang in de_DE.UTF-8:GER en_US.UTF-8:ENG fr_FR.UTF-8:ENG; do
    asked=$(run env PATH="$root/fake-bin:$PATH" LANG="${lang%%:*}" "$root/root/usr/bin/kesto-writer")
    [ "$asked" = "--writer --accept=pipe,name=kesto;urp; -n $share/kesto/kesto-report.${lang##*:}.ott" ] ||
      fail "kesto-writer under ${lang%%:*} starts: soffice $asked"
  done
  echo "kesto-writer opens the German template under a German locale, else the English one"
fi
echo "unpacked program starts, shows version $version, finds its German texts, opens the viewer"
