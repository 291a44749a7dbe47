#!/usr/bin/env bash
# The recharge page as a real browser meets it: the address the recharge dialog opens leads,
# in headless Chromium, to the page with the demo notice and the amount form and without the
# user's key; the form the browser sends adds the chosen coins once, and a second sending
# adds nothing. Skips (exit 77) with one line only when Chromium cannot start.
set -u
dist=${1:?usage: recharge-page.sh BUILD_DIST_DIR}
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "SKIP: no chromium on this machine"; exit 77; }
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
# Prints the page Chromium ends on after loading $1 (following redirects).
dom() {
  timeout 60 "$browser" --headless --no-sandbox --disable-gpu --no-first-run --disable-extensions \
    --user-data-dir="$work/profile" --dump-dom "$1" 2> "$work/chromium.err"
}
if ! dom "data:text/html,<p>vk-browser-ok</p>" | grep -q vk-browser-ok; then
  echo "SKIP: chromium cannot start here ($(head -c 200 "$work/chromium.err" | tr '\n' ' '))"
  exit 77
fi

"$dist/vokaran-service" --data-dir "$work/service" --seed-demo --port 0 --bind 127.0.0.1 \
  > "$work/service.out" 2> "$work/service.err" &
pids+=("$!")
for _ in $(seq 1 100); do grep -q "listening on" "$work/service.out" && break; sleep 0.1; done
url=$(grep -o 'http://127.0.0.1:[0-9]*' "$work/service.out" | head -1)
[ -n "$url" ] || { echo "FAIL: the service did not start"; cat "$work/service.err"; exit 1; }

key=secret-10001
coins() {
  curl -s -H "X-Vokaran-Session: vk-demo-session-10001" -H "X-Vokaran-User: 10001" "$url/v1/user" |
    grep -o '"VokaCoin":"[0-9.]*"' | grep -o '[0-9.]*'
}
before=$(coins)
[ -n "$before" ] || fail "the demo user's balance could not be read"

# The address the dialog opens, as the browser shows it.
page=$(dom "$url/recharge?secretkey=$key")
echo "$page" | grep -q "不涉及任何真实货币" || fail "the recharge page lacks the demo notice"
echo "$page" | grep -q '<form method="post"' || fail "the recharge page has no form"
for amount in 1 5 10 50; do
  echo "$page" | grep -q "value=\"$amount\"" || fail "the form does not offer $amount coins"
done
echo "$page" | grep -q "$key" && fail "the user's key appears on the page"
action=$(echo "$page" | grep -o 'action="/recharge/[0-9a-f]*"' | head -1 | sed 's/action="//; s/"$//')
[ -n "$action" ] || fail "the form has no one-time address"

# The browser sends the form itself: a page that submits it, with 10 coins chosen, at once.
cat > "$work/send.html" <<EOF
<!doctype html><meta charset="utf-8">
<form id="f" method="post" action="$url$action"><input type="radio" name="amount" value="10" checked></form>
<script>document.getElementById('f').submit()</script>
EOF
answer=$(dom "file://$work/send.html")
echo "$answer" | grep -q "已为您充值 10 金币" || fail "the browser's form did not recharge: $(echo "$answer" | head -c 300)"
after=$(coins)
awk -v a="$after" -v b="$before" 'BEGIN { exit !(a - b == 10) }' || fail "balance $before -> $after, not 10 more"
# The same form sent again (a reload, a second tab) adds nothing.
again=$(dom "file://$work/send.html")
echo "$again" | grep -q "没有重复充值" || fail "a second sending was not refused: $(echo "$again" | head -c 300)"
[ "$(coins)" = "$after" ] || fail "a second sending changed the balance"

[ "$failures" -eq 0 ] && echo "recharge page: all checks passed"
exit $((failures > 0))
