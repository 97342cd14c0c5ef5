#!/usr/bin/env bash
# Packaging test: builds the Debian package and the portable folder with CPack, checks
# them with lintian, desktop-file-validate and appstreamcli, unpacks the package into a
# temporary root (nothing is installed on this machine) and runs the unpacked tbt-nvm
# there, then runs the Ansible roll-out playbook against local hosts that each have
# their own emulated controller:
#   newer      the image is newer than the controller's firmware: updated
#   older      the controller's firmware is newer: nothing written, result 0
#   mismatch   the controller is of another board: the check fails, nothing written
#   battery    on battery: tbt-nvm update refuses, nothing written
#   late       newer, but in the batch after the failures: the roll-out never reaches it
# TBT_PACKAGING_BUILD_DIR chooses the build folder (default: build/packaging);
# TBT_KEEP_WORK=1 keeps the temporary folder (packages, unpacked root, playbook logs).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh lintian desktop-file-utils appstream ansible-core dpkg-dev

# A build folder of its own: the package must not carry the tests' helper overrides.
build=${TBT_PACKAGING_BUILD_DIR:-build/packaging}
cmake --preset default -B "$build" -DTBT_TEST_OVERRIDES=OFF --no-warn-unused-cli >/dev/null
cmake --build "$build" --target tbt-nvm tbt-nvm-helper tbt-fwupdate tbt_icons tbt_packaging_files

work=$(mktemp -d "${TMPDIR:-/tmp}/tbt-packaging-XXXXXX")
trap '[ -n "${TBT_KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
fail() { echo "test-packaging: $*" >&2; exit 1; }

echo "== cpack"
(cd "$build" && cpack -G DEB -B "$work/packages" >/dev/null && cpack -G TGZ -B "$work/packages" >/dev/null)
deb=$(ls "$work"/packages/*.deb)
tgz=$(ls "$work"/packages/*.tar.gz)
echo "   $(basename "$deb"), $(basename "$tgz")"

echo "== lintian"
# Every remaining tag, down to the informational ones, has an override with its reason
# in packaging/lintian-overrides; as root lintian only adds a note that it is root.
lintian --fail-on error,warning,info --display-level ">=info" "$deb"

echo "== unpacked package"
root="$work/root"
dpkg-deb -x "$deb" "$root"
for path in usr/bin/tbt-nvm usr/bin/tbt-fwupdate usr/libexec/tbt-nvm-helper \
  usr/lib/tbt-fwupdate/tbt-fwupdate usr/lib/tbt-fwupdate/data/Update.ini \
  usr/share/polkit-1/actions/org.vesk.tbt-nvm.policy usr/lib/tmpfiles.d/tbt-fwupdate.conf \
  usr/share/applications/org.vesk.tbt_fwupdate.desktop \
  usr/share/metainfo/org.vesk.tbt_fwupdate.metainfo.xml \
  usr/share/icons/hicolor/48x48/apps/org.vesk.tbt_fwupdate.png \
  usr/share/icons/hicolor/scalable/apps/org.vesk.tbt_fwupdate.svg \
  usr/share/man/man1/tbt-nvm.1.gz usr/share/man/man1/tbt-fwupdate.1.gz \
  usr/share/doc/tbt-fwupdate/ansible/tbt-nvm-rollout.yml; do
  [ -e "$root/$path" ] || fail "the package has no /$path"
done
[ "$(readlink -f "$root/usr/bin/tbt-fwupdate")" = "$root/usr/lib/tbt-fwupdate/tbt-fwupdate" ] ||
  fail "/usr/bin/tbt-fwupdate does not lead to the program beside its data/"
grep -q "exec.path\">/usr/libexec/tbt-nvm-helper<" "$root/usr/share/polkit-1/actions/org.vesk.tbt-nvm.policy" ||
  fail "the polkit action does not name /usr/libexec/tbt-nvm-helper"
grep -qa "/usr/libexec/tbt-nvm-helper" "$root/usr/bin/tbt-nvm" ||
  fail "tbt-nvm does not carry the helper's installed path"
dpkg-deb -f "$deb" Depends | grep -q "libsystemd0" || fail "Depends lacks the shared-library needs"
desktop-file-validate "$root/usr/share/applications/org.vesk.tbt_fwupdate.desktop"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/org.vesk.tbt_fwupdate.metainfo.xml"
tbt_nvm="$root/usr/bin/tbt-nvm"
"$tbt_nvm" help | grep -q "demo-image" || fail "tbt-nvm help does not list its commands"
"$tbt_nvm" demo-image "$work/demo.bin" >/dev/null
TBT_PLATFORM=emulated "$tbt_nvm" check "$work/demo.bin" --json | grep -q '"name": "TBU_OK"' ||
  fail "the unpacked tbt-nvm does not pass the demo image on the emulated controller"
# The window started through /usr/bin finds data/ beside its real path and updates.
cp "$work/demo.bin" "$root/usr/lib/tbt-fwupdate/data/"
TBT_PLATFORM=emulated TBT_EMULATED_WAIT_SCALE=0 QT_QPA_PLATFORM=offscreen TBT_DEMO_AUTOPRESS=1 \
  TBT_DEMO_SCREENSHOT_DIR="$work/window" "$root/usr/bin/tbt-fwupdate" >"$work/window.log" 2>&1 ||
  { cat "$work/window.log"; fail "the unpacked window did not finish the emulated update"; }

echo "== portable folder"
listing=$(tar -tzf "$tgz")
for entry in tbt-fwupdate data/Update.ini tbt-nvm README.txt; do
  grep -qx "[^/]*/$entry" <<<"$listing" || fail "the portable folder has no $entry"
done

echo "== ansible roll-out"
fleet="$work/fleet"
mkdir -p "$fleet/controllers"
# Controllers made from the demo image: its version byte sits 0x0A into the section;
# a region byte under the region's mask makes another board.
python3 - "$tbt_nvm" "$work/demo.bin" "$fleet/controllers" <<'PY'
import json, subprocess, sys
tool, demo, out = sys.argv[1:4]
info = json.loads(subprocess.run([tool, "info", demo, "--json"], check=True,
                                 capture_output=True, text=True).stdout)
image = bytearray(open(demo, "rb").read())
def write(name, data):
    open(f"{out}/{name}.bin", "wb").write(data)
for name, version in (("newer", 0x20), ("older", 0x30)):
    data = bytearray(image)
    data[info["base0"] + 0x0A] = version
    write(name, data)
region = next(r for r in info["regions"] if r["image_offset"] is not None and r["mask"])
low_bit = (region["mask"] & -region["mask"]).bit_length() - 1
data = bytearray(image)
data[info["base0"] + 0x0A] = 0x20
data[region["image_offset"] + low_bit // 8] ^= 1 << (low_bit % 8)
write("mismatch", data)
PY
hosts=(newer older mismatch battery late)
{
  echo "[tbt_nvm]"
  for host in "${hosts[@]}"; do
    controller=$host
    case $host in battery | late) controller=newer ;; esac
    power=mains
    [ "$host" = battery ] && power=battery
    echo "$host tbt_nvm_image_dir=$fleet/hosts/$host" \
      "tbt_nvm_environment='{\"TBT_PLATFORM\": \"emulated\", \"TBT_EMULATED_CONTROLLER\": \"$fleet/controllers/$controller.bin\", \"TBT_EMULATED_POWER\": \"$power\"}'"
  done
  echo "[tbt_nvm:vars]"
  echo "ansible_connection=local"
  echo "ansible_python_interpreter=$(command -v python3)"
  echo "tbt_nvm_become=false"
  echo "tbt_nvm_command=$tbt_nvm"
  echo "tbt_nvm_image_src=$work/demo.bin"
} >"$fleet/inventory.ini"
cp packaging/ansible/tbt-nvm-rollout.yml "$fleet/"

# A field of a host's report, or "absent" when the roll-out never reached the host.
field() {
  local report="$fleet/reports/$1.json"
  [ -f "$report" ] || { echo absent; return; }
  python3 -c 'import json,sys; v=json.load(open(sys.argv[1]))[sys.argv[2]]; print(json.dumps(v))' "$report" "$2"
}
expect() {
  local host=$1 key=$2 want=$3 got
  got=$(field "$host" "$key")
  [ "$got" = "$want" ] || fail "$mode run, host $host: $key is $got, expected $want"
}
# Batches of two: newer+older pass, mismatch+battery fail, so late is never reached.
run_playbook() {
  rm -rf "$fleet/reports"
  local status=0
  ANSIBLE_LOCALHOST_WARNING=false ANSIBLE_NOCOLOR=1 ansible-playbook -i "$fleet/inventory.ini" \
    "$fleet/tbt-nvm-rollout.yml" -e tbt_nvm_serial=2 "$@" >"$fleet/$mode.log" 2>&1 || status=$?
  [ "$status" -eq 2 ] || { cat "$fleet/$mode.log"; fail "$mode run: ansible-playbook ended with $status, expected 2 (failed hosts)"; }
}

mode=check
run_playbook --check
expect newer step '"check"'; expect newer result 0; expect newer written false
expect older result 0; expect older written false
expect mismatch step '"check"'; expect mismatch written false
[ "$(field mismatch result)" != 0 ] || fail "check run: the mismatching host passed its check"
expect battery written false
expect late step absent
echo "   --check: only checks ran; the mismatching host stopped the roll-out"

mode=update
run_playbook
expect newer step '"update"'; expect newer name '"TBU_OK"'; expect newer written true
expect older step '"check"'; expect older result 0; expect older written false
expect mismatch step '"check"'; expect mismatch written false
expect battery step '"update"'; expect battery name '"TBU_E_ON_BATTERY"'; expect battery written false
expect late step absent
grep -q "mismatch.*TBU_E_" "$fleet/$mode.log" || fail "the log does not say why the mismatching host failed"
echo "   newer updated; older left alone; mismatch and battery failed unwritten; late never reached"
echo "packaging test passed"
