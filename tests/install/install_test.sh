#!/usr/bin/env bash
# The installation for real. `cmake --install` into a scratch prefix, and the
# Debian package (cpack) unpacked into a scratch root with dpkg -x: the
# installed programs run, the manual page reads, the bash completion
# completes, and the options that the completions and the manual page name
# are exactly those `kelvanefmt --help` lists.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/kelvane-install-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
version=$(sed -n 's/^#define KELVANE_VERSION "\(.*\)"$/\1/p' "$source/engine/app_text.cpp")

# The long options in a text, one a line, sorted.
long_options() {
  grep -oE -- '--[a-z][a-z-]*' | sort -u
}

# Runs the programs of an installation under $1 (its usr or prefix folder).
check_installation() {
  local prefix=$1 what=$2
  local programs=$prefix/bin
  for file in bin/zorv_kelvane bin/kelvanefmt share/man/man1/kelvanefmt.1.gz \
              share/bash-completion/completions/kelvanefmt \
              share/fish/vendor_completions.d/kelvanefmt.fish; do
    [[ -f $prefix/$file ]] || fail "$what: $file is missing"
  done
  compgen -G "$prefix/share/zsh/*/_kelvanefmt" >/dev/null || fail "$what: no zsh completion"

  [[ $("$programs/kelvanefmt" --version) == "kelvanefmt $version" ]] ||
    fail "$what: kelvanefmt --version says '$("$programs/kelvanefmt" --version)'"
  printf 'x=1\r\nt={1,2}\r\n' >"$work/crlf.lua"
  "$programs/kelvanefmt" --quiet "$work/crlf.lua" 2>/dev/null || fail "$what: kelvanefmt failed"
  grep -q 'x = 1' "$work/crlf.lua" && [[ $(grep -c $'\r$' "$work/crlf.lua") -eq $(wc -l <"$work/crlf.lua") ]] ||
    fail "$what: kelvanefmt did not format a CR LF file into CR LF lines"
  printf 'x=1\n' >"$work/engine.lua"
  "$programs/zorv_kelvane" "$work/engine.lua" "$work/engine.out" -unix >/dev/null ||
    fail "$what: zorv_kelvane failed"
  grep -q '^x = 1$' "$work/engine.out" || fail "$what: zorv_kelvane did not format"

  if command -v man >/dev/null; then
    MANWIDTH=80 man -l "$prefix/share/man/man1/kelvanefmt.1.gz" 2>/dev/null |
      grep -q 'kelvanefmt - format Lua' || fail "$what: man kelvanefmt does not read"
  else
    gzip -t "$prefix/share/man/man1/kelvanefmt.1.gz" || fail "$what: the manual page is no gzip file"
  fi

  # bash completes an option from its start, and files after it.
  local completed
  completed=$(bash -c 'source "$1"; COMP_WORDS=(kelvanefmt --ch); COMP_CWORD=1; _kelvanefmt;
                       echo "${COMPREPLY[*]}"' _ "$prefix/share/bash-completion/completions/kelvanefmt")
  [[ $completed == "--check" ]] || fail "$what: bash completes '--ch' as '$completed'"

  # No option missing from, or left over in, the completions and the manual.
  "$programs/kelvanefmt" --help | long_options >"$work/help.txt"
  sed -n "/compgen -W/,/--\" \"\$current\"/p" "$prefix/share/bash-completion/completions/kelvanefmt" |
    long_options >"$work/bash.txt"
  compgen -G "$prefix/share/zsh/*/_kelvanefmt" | head -n 1 | xargs cat | long_options >"$work/zsh.txt"
  sed -n 's/.* -l \([a-z-]*\).*/--\1/p' "$prefix/share/fish/vendor_completions.d/kelvanefmt.fish" |
    long_options >"$work/fish.txt"
  gzip -dc "$prefix/share/man/man1/kelvanefmt.1.gz" | grep -v '^\.\\"' | sed 's/\\-/-/g' |
    long_options >"$work/man.txt"
  for source_name in bash zsh fish man; do
    diff "$work/help.txt" "$work/$source_name.txt" >"$work/drift.txt" ||
      fail "$what: the $source_name options differ from --help ('<' only in --help):
$(cat "$work/drift.txt")"
  done
}

# cmake --install, as the README says, into a scratch prefix.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
check_installation "$work/prefix" "cmake --install"

# The Debian package, unpacked as dpkg would install it.
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null)
deb=$(compgen -G "$work/deb/kelvane_${version}_*.deb" | head -n 1)
[[ -n $deb ]] || { echo "FAIL: cpack made no kelvane_${version}_*.deb" >&2; exit 1; }
dpkg-deb --field "$deb" Depends | grep -q 'libstdc++6' || fail "the package does not depend on libstdc++6"
dpkg -x "$deb" "$work/root"
check_installation "$work/root/usr" "the Debian package"

if [[ $failures -gt 0 ]]; then
  echo "install_test: $failures failures" >&2
  exit 1
fi
echo "install_test: cmake --install and $(basename "$deb") install programs that run"
