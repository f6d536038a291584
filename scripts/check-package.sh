#!/usr/bin/env bash
# Checks the Debian package as a user meets it: lintian finds no error, the package installs with
# apt, the installed runner executes a batch file, the installed window starts once under Xvfb
# (its first start copies the shipped settings into the user's configuration folder, makes the
# state folder for its log and writes nothing beside itself), and the package removes cleanly.
#   scripts/check-package.sh [BUILD]       BUILD holds mosvane_*.deb (default: build)
# Needs root or sudo (it installs and removes the package), xvfb-run and ImageMagick's convert.
set -euo pipefail
build=${1:-build}
debs=("$build"/mosvane_*.deb)
[ -f "${debs[0]}" ] || { echo "check-package: no mosvane_*.deb in $build (make package)" >&2; exit 1; }
[ ${#debs[@]} -eq 1 ] || { echo "check-package: more than one package in $build: ${debs[*]}" >&2; exit 1; }
deb=$(realpath "${debs[0]}")

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
fail() { echo "check-package: $*" >&2; exit 1; }
step() { echo "== check-package: $*"; }

step "lintian $(basename "$deb")"
lintian --fail-on error --display-level '>=warning' "$deb" 2>&1 | grep -v '^running with root privileges' || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

work=$(mktemp -d)
cleanup() {
  rm -rf "$work"
  if dpkg -s mosvane >/dev/null 2>&1; then "${sudo[@]}" apt-get remove -y -q mosvane >/dev/null || true; fi
}
trap cleanup EXIT

step "apt-get install $(basename "$deb")"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y -q --no-install-recommends "$deb" >/dev/null
[ -x /usr/bin/mosvane ] && [ -x /usr/bin/mosvane-batch ] || fail "the programs are not in /usr/bin"
touch "$work/installed"
for f in /usr/share/mosvane/Cnfg/Mosvane.xml /usr/share/mosvane/Mosvane.html \
         /usr/share/man/man1/mosvane.1.gz /usr/share/man/man1/mosvane-batch.1.gz \
         /usr/share/bash-completion/completions/mosvane-batch /usr/share/applications/mosvane.desktop; do
  [ -f "$f" ] || fail "$f is not installed"
done

step "the installed runner"
# Captured first: grep -q closes the pipe at its first match, and under pipefail the runner's
# SIGPIPE on the rest of the text would fail the step on a fast machine.
help=$(/usr/bin/mosvane-batch --help) || fail "mosvane-batch --help exited with $?"
grep -q '^Usage: mosvane-batch' <<<"$help" || fail "mosvane-batch --help does not start with its usage"
convert -size 40x20 gradient:red-blue "$work/tiles.png"
cat >"$work/batch.xml" <<EOF
<MosvaneBatch><SplitBatch><Output ImageType="png" NameFormat="t" FromNumber="1" Folder="$work/out" Template="##"/>
<Input><Rows><Row Ratio="0.5"/><Row Ratio="0.5"/></Rows><Cols><Col Ratio="0.5"/><Col Ratio="0.5"/></Cols></Input>
<ApplyToItems><Item PathName="$work/tiles.png"/></ApplyToItems></SplitBatch></MosvaneBatch>
EOF
mkdir -p "$work/out" "$work/verb"
(cd "$work" && /usr/bin/mosvane-batch batch.xml --jobs 1 >/dev/null) || fail "the batch file did not run"
for n in 01 02 03 04; do [ -f "$work/out/tiles$n.png" ] || fail "the batch file did not write tiles$n.png"; done
(cd "$work" && /usr/bin/mosvane-batch split tiles.png --rows 1 --cols 3 --template '#' -o verb --json >verb.json) ||
  fail "the split verb did not run"
for n in 1 2 3; do [ -f "$work/verb/tiles$n.png" ] || fail "the split verb did not write tiles$n.png"; done
grep -q '"status": 0' "$work/verb.json" || fail "the split verb's JSON does not say status 0"
bash -c 'source /usr/share/bash-completion/completions/mosvane-batch && complete -p mosvane-batch' >/dev/null ||
  fail "the bash completion does not load"

step "the installed window, first start under Xvfb"
home="$work/home"
mkdir -p "$home" "$work/cwd"
(
  cd "$work/cwd"
  env -u XDG_CONFIG_HOME -u XDG_STATE_HOME HOME="$home" QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a sh -c '
    /usr/bin/mosvane & pid=$!
    for i in $(seq 1 300); do
      [ -f "$HOME/.config/Mosvane/Cnfg/Mosvane.xml" ] && break
      kill -0 $pid 2>/dev/null || break
      sleep 0.1
    done
    sleep 2
    kill -TERM $pid
    wait $pid'
) || fail "the window did not start and end cleanly"
for f in Mosvane.xml BatchMosvane.xml; do
  [ -f "$home/.config/Mosvane/Cnfg/$f" ] || fail "the first start did not copy $f to ~/.config/Mosvane/Cnfg/"
done
[ -d "$home/.local/state/Mosvane" ] || fail "the first start did not make the log folder ~/.local/state/Mosvane/"
[ -z "$(ls -A "$work/cwd")" ] || fail "the window wrote into the folder it was started in: $(ls -A "$work/cwd")"
"${sudo[@]}" dpkg --verify mosvane || fail "the installed files changed"
[ -z "$(find /usr/share/mosvane /usr/bin/mosvane -newer "$work/installed" -print -quit)" ] || fail "the window wrote beside its shipped files"

step "apt-get remove mosvane"
"${sudo[@]}" apt-get remove -y -q mosvane >/dev/null
[ ! -e /usr/bin/mosvane ] && [ ! -e /usr/share/mosvane ] || fail "files are left after the removal"
echo "== check-package: the package passed"
