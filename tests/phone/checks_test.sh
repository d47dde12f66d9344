#!/usr/bin/env bash
# The phone library's checks (scripts/phone-checks) pass a sound library and name each fault of
# one broken on purpose.
#   checks_test.sh stubs      reads text stubs written here; needs nothing but awk
#   checks_test.sh packages   checks packages made here; needs dpkg-deb
#   checks_test.sh libraries  links small libraries against the SDKs in SDKS, else
#                             $THEOS/sdks, else ~/theos/sdks; exits 77 (skipped) without them
#   checks_test.sh objects    compiles small arm64e objects; needs clang 19 or later
#   checks_test.sh reach      docs/device.md's class table against the SDKs' stubs
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/phone-checks"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
# expect NAME STATUS PATTERN COMMAND...: COMMAND exits with STATUS (0 or 1) and, when PATTERN
# is not empty, prints a line matching it.
expect() {
  local name=$1 status=$2 pattern=$3; shift 3
  local output actual
  output=$("$@" 2>&1)
  actual=$?
  if ((actual != status)) || [[ -n $pattern && ! $output =~ $pattern ]]; then
    echo "FAIL $name: exit $actual, wanted $status${pattern:+ and a line like '$pattern'}"
    [[ -n $output ]] && sed 's/^/    /' <<<"$output"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

# has_line TEXT LINE: TEXT holds LINE whole.
has_line() { grep -qxF -- "$2" <<<"$1"; }
lacks_line() { ! has_line "$@"; }

test_stubs() {
  cat >"$work/v1.tbd" <<'EOF'
---
archs:                 [ armv7, arm64 ]
platform:              ios
install-name:          /usr/lib/libold.dylib
exports:
  - archs:              [ armv7, arm64 ]
    re-exports:         [ /usr/lib/libinner.dylib ]
    symbols:            [ _first, _second,
                          _third ]
    objc-classes:       [ _NBThing ]
    objc-ivars:         [ _NBThing._count ]
  - archs:              [ armv7 ]
    symbols:            [ _only32 ]
...
EOF
  cat >"$work/v4.tbd" <<'EOF'
--- !tapi-tbd
tbd-version:     4
targets:         [ armv7-ios, arm64-ios, arm64e-ios ]
install-name:    '/usr/lib/libnew.dylib'
reexported-libraries:
  - targets:         [ arm64-ios, arm64e-ios ]
    libraries:       [ '/usr/lib/libinner.dylib' ]
exports:
  - targets:         [ arm64-ios, arm64e-ios ]
    symbols:         [ _fourth, '$ld$hide$os9.0$_fifth' ]
    objc-classes:    [ NBOther ]
    objc-eh-types:   [ NBOther ]
  - targets:         [ arm64e-ios ]
    symbols:         [ _onlyArm64e ]
...
EOF
  local v1 v4
  v1=$(tbd_symbols "$work/v1.tbd")
  v4=$(tbd_symbols "$work/v4.tbd")
  expect "a first-version stub gives its arm64 symbols, one list over several lines" 0 "" \
    eval 'has_line "$v1" _first && has_line "$v1" _second && has_line "$v1" _third'
  expect "a first-version stub leaves out a symbol of another architecture" 0 "" \
    lacks_line "$v1" _only32
  expect "a first-version class is its class and metaclass symbol, underscore dropped" 0 "" \
    eval 'has_line "$v1" "_OBJC_CLASS_\$_NBThing" && has_line "$v1" "_OBJC_METACLASS_\$_NBThing"'
  expect "a first-version ivar is its ivar symbol" 0 "" has_line "$v1" '_OBJC_IVAR_$_NBThing._count'
  expect "a first-version stub names what it re-exports" 0 "" \
    has_line "$v1" "reexport /usr/lib/libinner.dylib"
  expect "a fourth-version stub gives its arm64 symbols, quotes taken off" 0 "" \
    eval 'has_line "$v4" _fourth && has_line "$v4" "\$ld\$hide\$os9.0\$_fifth"'
  expect "a fourth-version stub leaves out a symbol of arm64e alone" 0 "" \
    lacks_line "$v4" _onlyArm64e
  expect "a fourth-version class and exception type keep their names whole" 0 "" \
    eval 'has_line "$v4" "_OBJC_CLASS_\$_NBOther" && has_line "$v4" "_OBJC_EHTYPE_\$_NBOther"'
  expect "a fourth-version stub names what it re-exports" 0 "" \
    has_line "$v4" "reexport /usr/lib/libinner.dylib"
}

# library NAME SOURCE [LINKER FLAGS...]: a small arm64 library made from C source, linked
# as scripts/phone links the add-on unless the flags say otherwise, exporting what the file
# $exports lists.
library() {
  local name=$1 source=$2; shift 2
  printf '%s\n' "$source" >"$work/$name.c"
  clang-14 -target arm64-apple-ios9.3 -isysroot "$newest" -Os -c "$work/$name.c" \
    -o "$work/$name.o" || return 1
  ld64.lld-16 -arch arm64 -dylib -install_name "/usr/lib/$name.dylib" -o "$work/$name.dylib" \
    "$work/$name.o" -syslibroot "$newest" -F "$newest/System/Library/Frameworks" \
    -framework Foundation -lSystem -exported_symbols_list "$exports" "$@" ||
    return 1
  echo "$work/$name.dylib"
}

test_libraries() {
  local sdks=${SDKS:-${THEOS:-$HOME/theos}/sdks}
  mapfile -t phone_sdks < <(buildable_sdks "$sdks" 2>/dev/null)
  local tool
  for tool in ld64.lld-16 clang-14 llvm-nm-16 llvm-otool-16; do
    command -v "$tool" >/dev/null || phone_sdks=()
  done
  if ((${#phone_sdks[@]} == 0)); then
    echo "skipped: no iPhoneOS*.sdk in $sdks, or no clang-14, lld-16 and llvm-16"
    exit 77
  fi
  newest=${phone_sdks[-1]}
  local oldest=${phone_sdks[0]}
  local allowed="$root/objc/phone/runtime-symbols.txt"
  local exports="$work/exports.txt"
  printf '_shared\n_other\n' >"$exports"
  local sound_source='
#include <string.h>
int shared, other;
void NSLog(void*, ...);
static void log_once(void) { NSLog(0); }
void touch(char* to, const char* from) { log_once(); memcpy(to, from, (unsigned long)shared); }'
  local release=(-platform_version ios 9.3 14.5 -adhoc_codesign -x)

  local sound extra private newer unsigned missing
  sound=$(library sound "$sound_source" "${release[@]}")
  extra=$(exports="$work/extra.txt" && printf '_shared\n_other\n_leaked\n' >"$exports" &&
    library extra "$sound_source int leaked;" "${release[@]}")
  missing=$(exports="$work/missing.txt" && echo _shared >"$exports" &&
    library missing "int shared;" "${release[@]}")
  private=$(library private "$sound_source" "${release[@]}" \
    -F "$newest/System/Library/PrivateFrameworks" -framework Weather)
  newer=$(library newer "$sound_source" -platform_version ios 10.0 14.5 -adhoc_codesign)
  unsigned=$(library unsigned "$sound_source" -platform_version ios 9.3 14.5 -x)
  local unstripped changed="$work/changed.dylib" signature
  cp "$sound" "$changed"
  signature=$(llvm-otool-16 -l "$sound" |
    awk '/cmd LC_CODE_SIGNATURE/ { s = 1 } s && $1 == "dataoff" { print $2; exit }')
  printf '\x5a' | dd of="$changed" bs=1 seek=$((signature - 1)) conv=notrunc status=none
  unstripped=$(library unstripped "$sound_source" -platform_version ios 9.3 14.5 -adhoc_codesign)
  local lacking_source="$sound_source
void os_unfair_lock_lock(void*);
void lock(void* l) { os_unfair_lock_lock(l); }"
  local lacking weakly
  lacking=$(library lacking "$lacking_source" "${release[@]}")
  weakly=$(library weakly "$sound_source
void os_unfair_lock_lock(void*) __attribute__((weak_import));
void lock(void* l) { if (os_unfair_lock_lock) os_unfair_lock_lock(l); }" "${release[@]}")

  expect "a sound library passes every check" 0 "" \
    eval 'check_exports "$sound" "$work/exports.txt" && check_no_private_framework "$sound" &&
          check_minimum_ios "$sound" 9.3 && check_signed "$sound" &&
          check_no_local_symbols "$sound" && check_imports "$sound" "$oldest" "$allowed"'
  expect "an export beyond the list is named" 1 "exports _leaked, which is not among" \
    check_exports "$extra" "$work/exports.txt"
  expect "a listed symbol not exported is named" 1 "does not export _other" \
    check_exports "$missing" "$work/exports.txt"
  expect "a private framework among the libraries loaded is named" 1 \
    "loads the private framework /System/Library/PrivateFrameworks/Weather.framework/Weather" \
    check_no_private_framework "$private"
  expect "a later minimum system is named" 1 "is for iOS 10.0 and later, not 9.3" \
    check_minimum_ios "$newer" 9.3
  expect "a library without a signature is named" 1 "has no code signature" \
    check_signed "$unsigned"
  expect "a library changed after signing is named" 1 "code signature does not hold: page" \
    check_signed "$changed"
  expect "a library linked without -x is named for its local symbols" 1 \
    "keeps [0-9]+ local symbols" \
    check_no_local_symbols "$unstripped"
  expect "an import the oldest SDK lacks is named" 1 \
    "imports _os_unfair_lock_lock, which $(basename "$oldest") does not export" \
    check_imports "$lacking" "$oldest" "$allowed"
  expect "the same import passes against an SDK that has it" 0 "" \
    check_imports "$lacking" "$newest" "$allowed"
  expect "the same import passes the oldest SDK when it is weak" 0 "" \
    check_imports "$weakly" "$oldest" "$allowed"
}

# deb NAME PREFIX ARCHITECTURE CACHE [LEAVE OUT] [CHOWNED] [REMOVED]: a package laid out as
# scripts/phone lays one out, with no library code, less the path LEAVE OUT, with a postinst
# that gives CHOWNED (the cache's folder unless said) to mobile and a postrm that removes
# REMOVED (the same unless said). PACKER=toolchain packs it as the tool chain's packer does,
# paths without "./".
deb() {
  local name=$1 prefix=$2 architecture=$3 cache=$4 leave_out=${5:-} chowned=${6:-$2$4}
  local removed=${7:-$2$4}
  local stage="$work/$name"
  local tweaks="$stage$prefix/Library/MobileSubstrate/DynamicLibraries"
  mkdir -p "$tweaks" "$stage$prefix/Library/PreferenceLoader/Preferences" "$stage$prefix$cache" \
    "$stage/DEBIAN"
  touch "$tweaks/Nimbrel.dylib" "$tweaks/Nimbrel.plist" \
    "$stage$prefix/Library/PreferenceLoader/Preferences/Nimbrel.plist"
  [[ -n $leave_out ]] && rm -rf "$stage$leave_out"
  printf 'Package: test\nVersion: 1\nArchitecture: %s\nMaintainer: test\nDescription: test\n' \
    "$architecture" >"$stage/DEBIAN/control"
  printf '#!/bin/sh\nchown 501:501 "%s"\n' "$chowned" >"$stage/DEBIAN/postinst"
  printf '#!/bin/sh\nrmdir "%s" "$(dirname "%s")"\n' "$removed" "$removed" >"$stage/DEBIAN/postrm"
  chmod 0755 "$stage/DEBIAN/postinst" "$stage/DEBIAN/postrm"
  if [[ ${PACKER:-} == toolchain ]]; then
    (cd "$stage/DEBIAN" && tar --owner=0 --group=0 -czf "$work/control.tar.gz" *)
    (cd "$stage" && tar --owner=0 --group=0 --exclude=DEBIAN -czf "$work/data.tar.gz" *)
    echo 2.0 >"$work/debian-binary"
    (cd "$work" && rm -f "$name.deb" && ar rc "$name.deb" debian-binary control.tar.gz data.tar.gz)
  else
    dpkg-deb --root-owner-group --build "$stage" "$work/$name.deb" >/dev/null
  fi
  echo "$work/$name.deb"
}

test_packages() {
  local cache="/Library/Application Support/Nimbrel/nimbrelResources.bundle"
  local jb=/var/jb
  local rootful rootless no_cache no_pane outside wrong_chown
  rootful=$(deb rootful "" iphoneos-arm "$cache")
  rootless=$(deb rootless $jb iphoneos-arm64 "$cache")
  no_cache=$(deb no-cache $jb iphoneos-arm64 "$cache" "$jb$cache")
  no_pane=$(deb no-pane "" iphoneos-arm "$cache" /Library/PreferenceLoader)
  outside=$(deb outside $jb iphoneos-arm64 "$cache")
  mkdir -p "$work/outside/Library/Stray"
  dpkg-deb --root-owner-group --build "$work/outside" "$outside" >/dev/null
  wrong_chown=$(deb wrong-chown "" iphoneos-arm "$cache" "" "/Library/Application Support")
  local placeholder toolchain
  placeholder=$(deb placeholder "" iphoneos-arm "$cache" "" "" "@CACHE_FOLDER@")
  toolchain=$(PACKER=toolchain deb toolchain $jb iphoneos-arm64 "$cache")

  expect "a rootful package with every part passes" 0 "" \
    check_package "$rootful" "" iphoneos-arm "$cache"
  expect "a rootless package with every part under /var/jb passes" 0 "" \
    check_package "$rootless" $jb iphoneos-arm64 "$cache"
  expect "a missing cache folder is named" 1 "lacks $jb$cache" \
    check_package "$no_cache" $jb iphoneos-arm64 "$cache"
  expect "a missing settings pane is named" 1 "lacks /Library/PreferenceLoader/Preferences" \
    check_package "$no_pane" "" iphoneos-arm "$cache"
  expect "a rootless package's path outside /var/jb is named" 1 "puts /Library/Stray outside" \
    check_package "$outside" $jb iphoneos-arm64 "$cache"
  expect "the wrong architecture is named" 1 "is for iphoneos-arm, not iphoneos-arm64" \
    check_package "$rootful" "" iphoneos-arm64 "$cache"
  expect "a postinst that gives another folder to mobile is named" 1 \
    "postinst does not give $cache to mobile" \
    check_package "$wrong_chown" "" iphoneos-arm "$cache"
  expect "a postrm that keeps a placeholder is named" 1 \
    "postrm keeps a placeholder: @CACHE_FOLDER@" \
    check_package "$placeholder" "" iphoneos-arm "$cache"
  expect "a package packed with paths without ./ (the tool chain's) passes" 0 "" \
    check_package "$toolchain" $jb iphoneos-arm64 "$cache"
}

# An arm64e object from the newest clang, the same object with its ABI bit cleared, and one
# from clang 14, whose arm64e is neither (its bit set by hand: the code alone is wrong).
test_objects() {
  local clang
  clang=$(compgen -c clang- | grep -xE 'clang-(19|2[0-9])' | sort -V | tail -n1)
  if [[ -z $clang ]] || ! command -v llvm-objdump-16 >/dev/null; then
    echo "skipped: no clang 19 or later, or no llvm-objdump-16"
    exit 77
  fi
  printf 'void (*callback)(void);\nint call(int x) { callback(); return x * 3; }\n' >"$work/call.c"
  "$clang" -target arm64e-apple-ios14.0 -Os -c "$work/call.c" -o "$work/real.o" || return 1
  cp "$work/real.o" "$work/no-bit.o"
  printf '\x02\x00\x00\x00' | dd of="$work/no-bit.o" bs=1 seek=8 conv=notrunc status=none
  expect "a real arm64e object passes" 0 "" check_arm64e_object "$work/real.o"
  expect "an arm64e object without the pointer-authentication ABI bit is named" 1 \
    "lacks the pointer-authentication ABI bit" check_arm64e_object "$work/no-bit.o"
  if command -v clang-14 >/dev/null; then
    clang-14 -target arm64e-apple-ios14.0 -Os -c "$work/call.c" -o "$work/old.o"
    printf '\x02\x00\x00\x80' | dd of="$work/old.o" bs=1 seek=8 conv=notrunc status=none
    expect "an arm64e object whose code authenticates nothing (clang 14's) is named" 1 \
      "calls through an unauthenticated pointer \\(blr x8\\)" check_arm64e_object "$work/old.o"
    expect "the same object's unsigned return address is named" 1 \
      "saves a return address without signing it" check_arm64e_object "$work/old.o"
  fi
  expect "an arm64 object is named as not arm64e" 1 "is not an arm64e object" \
    eval '"$clang" -target arm64-apple-ios14.0 -c "$work/call.c" -o "$work/arm64.o" &&
          check_arm64e_object "$work/arm64.o"'
}

# The table's range for the background class, then the table against the SDKs at hand: as it
# is, and with one cell the stubs can tell made wrong.
test_reach() {
  local table="$root/docs/device.md"
  expect "the table's releases for the background class run from 9.3 to below 15.0" 0 "^9.3 15.0$" \
    bash "$root/scripts/phone-reach" --range WUIDynamicWeatherBackground "$table"
  printf '%s\n' '| class | framework | 9.3 | 10.3 | 11.4 |' '|---|---|---|---|---|' \
    '| `X` | F | no stub | yes | yes* |' >"$work/open.md"
  expect "a class no release lacks after its first has an open range" 0 "^10.3 $" \
    bash "$root/scripts/phone-reach" --range X "$work/open.md"
  local sdks=${SDKS:-${THEOS:-$HOME/theos}/sdks}
  if ! compgen -G "$sdks/iPhoneOS*.sdk" >/dev/null; then
    ((failures == 0)) || exit 1
    echo "skipped: no iPhoneOS*.sdk in $sdks to measure the table against"
    exit 77
  fi
  expect "docs/device.md's class table is what the SDKs' stubs say" 0 "is current" \
    bash "$root/scripts/phone-reach" --check "$table" "$sdks"
  sed 's/^| `City` | Weather | yes /| `City` | Weather | absent /' "$table" >"$work/stale.md"
  expect "a table out of date is named, cell by cell" 1 'says "9.3 City absent"' \
    bash "$root/scripts/phone-reach" --check "$work/stale.md" "$sdks"
}

case ${1:-} in
  stubs) test_stubs ;;
  packages) test_packages ;;
  libraries) test_libraries ;;
  objects) test_objects ;;
  reach) test_reach ;;
  *) echo "usage: checks_test.sh stubs|packages|libraries|objects|reach" >&2; exit 2 ;;
esac
((failures == 0))
