#!/usr/bin/env bash
# The README's recipes, taken from the README itself (each fenced block after
# a "<!-- recipe: NAME" line), so that README and test cannot drift apart, and
# run as written with the kelvanefmt of the build on PATH:
#   install     "sudo cmake --install build", without sudo, into a scratch DESTDIR
#   vim         the formatprg command line, on a buffer
#   pre-commit  the hooks of .pre-commit-hooks.yaml that the config names,
#               run as pre-commit runs them (entry, then the file names)
#   git-hook    the plain Git hook in a scratch repository: what is staged is
#               checked, not the working tree, with spaces, a newline and a
#               leading "-" in paths
# Usage: readme_recipes_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/kelvane-readme-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
export PATH="$build:$PATH"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The fenced block after the marker line of recipe $1, without its fences.
recipe() {
  awk -v name="$1" '
    index($0, "<!-- recipe: " name " ") { found = 1; next }
    found && /^ *```/ { if (inside) exit; inside = 1; next }
    inside { sub(/^  /, ""); print }
  ' "$source/README.md"
}
for name in install vim pre-commit git-hook; do
  [[ -n $(recipe "$name") ]] || fail "the README has no recipe '$name'"
done

unformatted=$'local speed=1.50\nprint(speed)\n'
formatted=$(printf '%s' "$unformatted" | kelvanefmt -)$'\n'

# --- install: the README's cmake --install line, run where build/ is ours.
install_line=$(recipe install | sed -n 's/^sudo \(cmake --install build\)\( .*\)\{0,1\}$/\1/p' |
               sed 's/ *#.*//')
[[ -n $install_line ]] || fail "no 'sudo cmake --install build' line in the install recipe"
mkdir -p "$work/install"
ln -s "$build" "$work/install/build"
(cd "$work/install" && DESTDIR="$work/install/root" $install_line >/dev/null) ||
  fail "'$install_line' failed"
compgen -G "$work/install/root/*/*/bin/kelvanefmt" >/dev/null ||
  compgen -G "$work/install/root/*/bin/kelvanefmt" >/dev/null ||
  fail "'$install_line' installed no kelvanefmt"

# --- vim: formatprg's command, unescaped as Vim does, with the buffer on
# standard input; a refused text comes back unchanged.
vim_command=$(recipe vim | sed -n 's/^setlocal formatprg=//p' | sed 's/\\ / /g')
[[ $(printf '%s' "$unformatted" | sh -c "$vim_command")$'\n' == "$formatted" ]] ||
  fail "the Vim formatprg '$vim_command' does not format"
[[ $(printf 'x = 1 } }\n' | sh -c "$vim_command"; echo "status $?") == $'x = 1 } }\nstatus 2' ]] ||
  fail "the Vim formatprg does not give a refused text back"

# --- pre-commit: every id the README's config names is a hook of
# .pre-commit-hooks.yaml; its entry runs on file names as pre-commit runs it.
config=$(recipe pre-commit)
grep -q '^ *rev: ' <<<"$config" || fail "the pre-commit config has no rev"
grep -Eq '^ *rev: *(main|master|HEAD) *$' <<<"$config" && fail "the pre-commit config uses a branch as rev"
hook_entry() {
  awk -v id="$1" '
    /^- id: / { current = $3 }
    current == id && /^  entry: / { sub(/^  entry: /, ""); print; exit }
  ' "$source/.pre-commit-hooks.yaml"
}
for id in $(sed -n 's/^ *- id: \([a-z-]*\).*/\1/p' <<<"$config") \
          $(sed -n 's/.*# or: \([a-z-]*\).*/\1/p' <<<"$config"); do
  entry=$(hook_entry "$id")
  [[ -n $entry ]] || { fail "the README names hook '$id', which .pre-commit-hooks.yaml lacks"; continue; }
  dir=$work/pre-commit-$id
  mkdir -p "$dir/sub dir"
  printf '%s' "$unformatted" >"$dir/sub dir/a b.lua"
  printf '%s' "$unformatted" >"$dir/-x.lua"
  status=0
  (cd "$dir" && $entry "sub dir/a b.lua" "-x.lua" >"$dir/out.txt" 2>&1) || status=$?
  case $id in
    kelvanefmt)
      [[ $status -eq 0 && $(cat "$dir/-x.lua") == "${formatted%$'\n'}" ]] ||
        fail "hook $id ($entry) did not format: status $status, $(cat "$dir/out.txt")"
      ;;
    kelvanefmt-check)
      [[ $status -eq 1 ]] && grep -qx -- '-x.lua' "$dir/out.txt" && grep -qx 'sub dir/a b.lua' "$dir/out.txt" ||
        fail "hook $id ($entry) did not name the files: status $status, $(cat "$dir/out.txt")"
      [[ $(cat "$dir/-x.lua") == "${unformatted%$'\n'}" ]] || fail "hook $id wrote a file"
      ;;
  esac
done
grep -q '^- id: kelvanefmt-check$' "$source/.pre-commit-hooks.yaml" ||
  fail ".pre-commit-hooks.yaml has no kelvanefmt-check hook"

# --- git-hook: a scratch repository with the README's hook installed.
repo=$work/repo
git init -q "$repo"
recipe git-hook >"$repo/.git/hooks/pre-commit"
chmod +x "$repo/.git/hooks/pre-commit"
git_commit() {  # git_commit MESSAGE: true when the hook lets the commit through
  git -C "$repo" -c user.name=test -c user.email=test@example.org commit -q -m "$1" \
    >"$work/commit.txt" 2>&1
}
mkdir -p "$repo/sub dir"
weird=$'new\nline.lua'
printf '%s' "$formatted" >"$repo/sub dir/a b.lua"
printf '%s' "$formatted" >"$repo/$weird"
printf '%s' "$unformatted" >"$repo/notes.txt"
git -C "$repo" add -A
git_commit "formatted files" || fail "the hook stopped a commit of formatted files: $(cat "$work/commit.txt")"

# What counts is what is staged: an unformatted working tree does not stop
# a commit of formatted content...
printf '%s' "$formatted" >"$repo/sub dir/c.lua"
git -C "$repo" add "sub dir/c.lua"
printf '%s' "$unformatted" >"$repo/sub dir/c.lua"
git_commit "staged formatted, tree not" ||
  fail "the hook checked the working tree, not what is staged: $(cat "$work/commit.txt")"
# ...and formatted files in the working tree do not let unformatted staged
# content through.
printf '%s' "$unformatted" >"$repo/sub dir/a b.lua"
printf '%s' "$unformatted" >"$repo/$weird"
printf '%s' "$unformatted" >"$repo/-x.lua"
git -C "$repo" add -A
printf '%s' "$formatted" >"$repo/sub dir/a b.lua"
if git_commit "unformatted staged"; then
  fail "the hook let unformatted staged content through"
else
  for name in "sub dir/a b.lua" "$weird" "-x.lua"; do
    grep -qF -- "$name" "$work/commit.txt" || fail "the hook did not name '$name': $(cat "$work/commit.txt")"
  done
fi
# The config file of the repository applies: an excluded file passes.
printf 'exclude = ["-x.lua", "new*", "sub dir"]\n' >"$repo/.kelvanefmt.toml"
git -C "$repo" add -A
git_commit "excluded" || fail "the hook did not honour the config's excludes: $(cat "$work/commit.txt")"

if [[ $failures -gt 0 ]]; then
  echo "readme_recipes_test: $failures failures" >&2
  exit 1
fi
echo "readme_recipes_test: the install, Vim, pre-commit and Git hook recipes work as written"
