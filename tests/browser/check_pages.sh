#!/usr/bin/env bash
# Opens nimsim's run pages in headless Chromium. "check" runs the default scenario and two
# that fail (an expectation, an error), then checks each page through the document the
# browser built (page_check.js); "screenshot" renders the default run's page to page.png.
#   check_pages.sh check|screenshot NIMSIM CHROMIUM WORKDIR
set -euo pipefail
mode=$1 nimsim=$2 chromium=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"

# Chromium as it can run here: headless, without sandbox (tests may run as root) or GPU, with
# none of its own network traffic, and a fresh profile each time. A browser that cannot
# start fails the test.
browser() {
  local profile status=0
  profile=$(mktemp -d)
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" 2>>"$work/chromium.log" || status=$?
  rm -rf "$profile"
  if [ "$status" -ne 0 ]; then
    echo "chromium ($chromium) failed with status $status; its output: $work/chromium.log" >&2
    return 1
  fi
}

# Runs a scenario (the default one when FILE is empty) into WORKDIR/NAME; it must end with
# the expected exit status and leave its page.
run_scenario() {
  local name=$1 expected=$2 file=$3 status=0
  rm -rf "${work:?}/$name"
  "$nimsim" run ${file:+"$file"} --out "$work/$name" >"$work/$name.out" 2>"$work/$name.err" ||
    status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "$name: exit status $status, not $expected" >&2
    cat "$work/$name.err" >&2
    return 1
  fi
  grep -q "^page: $work/$name/index.html$" "$work/$name.out" || {
    echo "$name: nimsim did not say where the page is" >&2
    return 1
  }
}

# The page, followed by what the checker needs to know and the checker itself.
check_page() {
  local name=$1 outcome=$2 scenario=$3 dir="$work/$1"
  {
    cat "$dir/index.html"
    echo "<pre id=\"check-outcome\" hidden>$outcome</pre>"
    echo "<pre id=\"check-pictures\" hidden>$(find "$dir" -name '*.svg' | wc -l)</pre>"
    echo "<pre id=\"check-scenario\" hidden>"
    sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' "$scenario"
    echo "</pre><script>"
    cat "$here/page_check.js"
    echo "</script>"
  } >"$dir/check.html"
  browser --dump-dom "file://$dir/check.html" >"$dir/dom.html"
  if ! grep -q '<pre id="page-check">PASS</pre>' "$dir/dom.html"; then
    echo "$name: the page fails its checks:" >&2
    sed -n '/<pre id="page-check">/,/<\/pre>/p' "$dir/dom.html" >&2
    return 1
  fi
  echo "$name: page checked in $("$chromium" --version 2>/dev/null)"
}

case $mode in
  check)
    "$nimsim" default >"$work/default.scn"
    run_scenario default 0 ""
    check_page default ok "$work/default.scn"
    run_scenario failed 1 "$here/failed-expect.scn"
    check_page failed failed "$here/failed-expect.scn"
    run_scenario stopped 2 "$here/stopped.scn"
    check_page stopped stopped "$here/stopped.scn"
    ;;
  screenshot)
    run_scenario default 0 ""
    rm -f "$work/page.png"
    browser --hide-scrollbars --window-size=1280,2400 --screenshot="$work/page.png" \
      "file://$work/default/index.html" >/dev/null
    signature=$(head -c 8 "$work/page.png" | od -An -tx1 | tr -d ' \n')
    if [ "$signature" != 89504e470d0a1a0a ] || [ "$(stat -c %s "$work/page.png")" -lt 50000 ]; then
      echo "no screenshot worth the name in $work/page.png" >&2
      return 1
    fi
    echo "screenshot of the default run's page: $work/page.png"
    ;;
  *)
    echo "usage: check_pages.sh check|screenshot NIMSIM CHROMIUM WORKDIR" >&2
    exit 2
    ;;
esac
