#!/usr/bin/env bash
# Makes the Debian package from a finished build, unpacks it into a scratch root and
# runs what it installed: the version it reports, a small sort, and the files a
# system install must carry. Skipped (77) where dpkg is not to be had.
set -euo pipefail
build=$1
version=$2
command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null || exit 77

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cpack -G DEB -B "$scratch/out" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; exit 1; }
deb="$scratch/out/vantor_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no $deb"; ls "$scratch/out"; exit 1; }

fail() { echo "package: $*"; exit 1; }
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version is not $version"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "Depends lacks the C library: $(dpkg-deb -f "$deb" Depends)"

root="$scratch/root"
dpkg -x "$deb" "$root"
for f in usr/bin/vantor-cli usr/share/man/man1/vantor-cli.1.gz \
         usr/share/bash-completion/completions/vantor-cli \
         usr/share/doc/vantor/copyright usr/share/doc/vantor/changelog.gz; do
  [ -f "$root/$f" ] || fail "$f is missing"
done
if [ -f "$build/wizard/vantor" ]; then
  for f in usr/bin/vantor usr/share/man/man1/vantor.1.gz usr/share/applications/vantor.desktop \
           usr/share/icons/hicolor/48x48/apps/vantor.png \
           usr/share/metainfo/com.example.vantor.metainfo.xml; do
    [ -f "$root/$f" ] || fail "$f is missing"
  done
  grep -q "version=\"$version\"" "$root/usr/share/metainfo/com.example.vantor.metainfo.xml" ||
    fail "the metainfo does not name version $version"
fi

cli="$root/usr/bin/vantor-cli"
[ "$("$cli" --version)" = "vantor-cli $version" ] || fail "--version says $("$cli" --version)"
printf 'c@z.org\nb@y.org\na@x.org\n' >"$scratch/list.txt"
"$cli" -q --sort-email -o "$scratch/sorted.txt" "$scratch/list.txt" >/dev/null
[ "$(cat "$scratch/sorted.txt")" = "$(printf 'a@x.org\nb@y.org\nc@z.org')" ] ||
  fail "the installed vantor-cli sorted wrongly: $(cat "$scratch/sorted.txt")"
# The manual pages render without a warning.
if command -v man >/dev/null; then
  for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  done
fi

# The installed metadata passes the validators, where they are installed.
if command -v desktop-file-validate >/dev/null && [ -f "$root/usr/bin/vantor" ]; then
  desktop-file-validate "$root/usr/share/applications/vantor.desktop" || fail "desktop file invalid"
fi
if command -v appstreamcli >/dev/null && [ -f "$root/usr/bin/vantor" ]; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/com.example.vantor.metainfo.xml" >/dev/null ||
    fail "metainfo invalid"
fi
if command -v lintian >/dev/null; then
  ! lintian "$deb" 2>/dev/null | grep '^E:' || fail "lintian reports errors"
fi

# Completion: options after a dash, files after --filter, nothing after a number option.
if [ -f /usr/share/bash-completion/bash_completion ]; then
  touch "$scratch/alpha.txt"
  answers=$(cd "$scratch" && bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    ask() { COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMPREPLY=()
            COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
            _vantor_cli; echo "${COMPREPLY[*]}"; }
    ask vantor-cli --sort-d; ask vantor-cli --filter alp; ask vantor-cli --seed ""
  ' _ "$root/usr/share/bash-completion/completions/vantor-cli")
  [ "$answers" = "$(printf -- '--sort-domain\nalpha.txt\n')" ] || fail "completion answered: $answers"
fi

echo "package: $(basename "$deb") $(stat -c %s "$deb") bytes, installs and runs"
