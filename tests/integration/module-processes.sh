#!/usr/bin/env bash
# The built programs as a user meets them: the development launcher starts the module, which
# finishes start-up and ends on the launcher's commands; an incomplete parameter document is
# refused; a second start defers to the first. Every run uses its own scratch installation,
# runtime folder and launcher socket, so it never meets a module the developer is running.
set -u
dist=${1:?usage: module-processes.sh BUILD_DIST_DIR [windowed]}
mode=${2:-headless}
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

install=$work/install
mkdir -p "$install/Temp" "$install/Record" "$work/run"
cp -r "$dist/PKData" "$install/PKData"
mkdir -p "$install/PKData/AppSets"
ln -s "$dist/datafiles" "$install/datafiles"
export VOKARAN_MODULE_DIR=$install XDG_RUNTIME_DIR=$work/run VOKARAN_LAUNCHER_SOCKET=$work/launcher.sock
export VOKARAN_AUDIO=null
log=$install/CEGUI.log

# The contest service the module talks to: its own, on a free port, with the demo user.
src=$(cd "$(dirname "$0")/../.." && pwd)
"$dist/vokaran-service" --data-dir "$work/service" --seed-small --port 0 --threads 8 \
  --unihan-dir "$src/tests/data/unihan-mini" > "$work/service.out" 2> "$work/service.err" &
service=$!
pids+=("$service")
for _ in $(seq 1 100); do grep -q "listening on" "$work/service.out" && break; sleep 0.1; done
VOKARAN_SERVICE_URL=$(grep -o 'http://127.0.0.1:[0-9]*' "$work/service.out" | head -1)
[ -n "$VOKARAN_SERVICE_URL" ] || { echo "FAIL: the service did not start"; cat "$work/service.err"; exit 1; }
export VOKARAN_SERVICE_URL
login=(--set SessionID=vk-demo-session-10001 --set UserID=10001)

# Waits up to 30 s for a pattern in the module's log.
wait_log() {
  for _ in $(seq 1 300); do grep -q "$1" "$log" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}

# Starts the launcher with a command pipe on fd 3; sets $launcher.
start_launcher() {
  rm -f "$log" "$work/commands"
  mkfifo "$work/commands"
  "$dist/vokaran-launcher" --no-service "$@" < "$work/commands" > "$work/launcher.out" 2> "$work/launcher.err" &
  launcher=$!
  pids+=("$launcher")
  exec 3> "$work/commands"
}

finish_launcher() {  # waits for the launcher; sets $code
  exec 3>&-
  code=0
  wait "$launcher" || code=$?
}

if [ "$mode" = windowed ]; then
  for n in $(seq 140 180); do [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }; done
  Xvfb "$display" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  unset VOKARAN_HEADLESS SDL_VIDEODRIVER
  for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

  # The launcher's exit request shows the confirmation; Return on "yes" ends the module.
  start_launcher "${login[@]}"
  wait_log "AppInitDone" || fail "windowed start-up did not finish"
  echo exit >&3
  wait_log "exit confirmation shown" || fail "the exit confirmation did not open"
  sleep 0.5
  xdotool search --name "Vokaran PK" windowactivate --sync key Return 2>/dev/null \
    || xdotool key Return
  finish_launcher
  [ "$code" -eq 0 ] || fail "exit after confirmation gave code $code"
  grep -q "cleanupApp done" "$log" || fail "no clean-up after the confirmed exit"
else
  export VOKARAN_HEADLESS=1

  # Start-up completes with the service's menu version and contest square; the immediate-exit
  # request ends the module through its clean-up.
  start_launcher "${login[@]}"
  wait_log "AppInitDone" || fail "start-up did not finish"
  wait_log "start-up finished" || fail "start-up did not reach its end"
  wait_log "network reply 502[34] status 0" || fail "no menu reply from the service"
  wait_log "network reply 6323 status 0" || fail "no contest square from the service"
  wait_log "square information reply was handled" || fail "the end of the square never reached the GUI"
  # A second start while the first runs defers to it and ends with 0.
  timeout 20 "$dist/vokaran-pk" "<Launch/>" > "$work/second.out" 2>&1
  second=$?
  [ "$second" -eq 0 ] || fail "the second start ended with $second"
  wait_log "asked for the main window" || fail "the first instance was not asked to come forward"
  echo exit-now >&3
  finish_launcher
  [ "$code" -eq 0 ] || fail "exit-now gave code $code"
  grep -q "cleanupApp done" "$log" || fail "no clean-up after exit-now"

  # A contest song queued at start: its file comes from the service, passes its checksum and
  # opens in the engine; it plays on the fast file device to its end, and after the exit the
  # song is in the sang list.
  rm -f "$install/PKData/AppSets/SangSet.xml"
  VOKARAN_AUDIO=file VOKARAN_AUDIO_PACE=fast VOKARAN_QUEUE_SONGS="100002:两只老虎" start_launcher "${login[@]}" \
    --set NorSet_SelTone=0
  wait_log "song started: 100002" || fail "the queued song did not start"
  wait_log "CMissonPk: 100002 ended" || fail "the queued song did not end"
  wait_log "song stopped" || fail "no song stop after the end"
  grep -q "could not be loaded" "$log" && fail "the song file failed to load"
  echo exit-now >&3
  finish_launcher
  [ "$code" -eq 0 ] || fail "exit-now after the song gave code $code"
  grep -q 'Name="SongID" Value="100002"' "$install/PKData/AppSets/SangSet.xml" 2>/dev/null \
    || fail "the sung song is not in SangSet.xml"
  grep -q 'Name="MisType" Value="3"' "$install/PKData/AppSets/SangSet.xml" 2>/dev/null \
    || fail "the sung song was not kept as a contest song"
  ls "$install/Temp/"*_100002Voice.pcm >/dev/null 2>&1 || fail "no voice recording of the song"

  # A document lacking Mail: the incomplete-parameters message, exit 0, nothing started.
  start_launcher --omit Mail
  finish_launcher
  [ "$code" -eq 0 ] || fail "the incomplete document gave code $code"
  grep -q "传递参数不完整，请重新启动" "$work/launcher.err" || fail "no incomplete-parameters message"
  [ ! -e "$log" ] || fail "the module started its GUI with an incomplete document"

  # The launcher starts a contest service when none answers, logs the demo user in and
  # stops the service again at the end.
  port=$((20000 + RANDOM % 20000))
  rm -f "$log" "$work/commands"
  mkfifo "$work/commands"
  "$dist/vokaran-launcher" --service-url "http://127.0.0.1:$port" --service-data "$work/launcher-service" \
    < "$work/commands" > "$work/launcher.out" 2> "$work/launcher.err" &
  launcher=$!
  pids+=("$launcher")
  exec 3> "$work/commands"
  wait_log "AppInitDone" || fail "start-up with a service did not finish"
  echo exit-now >&3
  finish_launcher
  grep -q "started the contest service" "$work/launcher.out" || fail "the launcher did not start a service"
  grep -q "logged in as user 10001" "$work/launcher.out" || fail "the launcher did not log in"
  grep -q "stopped the contest service" "$work/launcher.out" || fail "the service was left running"

  # Without the launcher the module runs standalone, ignoring its command line.
  rm -f "$log"
  "$dist/vokaran-pk" "not a document" > /dev/null 2>&1 &
  module=$!
  pids+=("$module")
  wait_log "AppInitDone" || fail "the standalone start did not finish"
  kill -TERM "$module"
  wait "$module"
  code=$?
  [ "$code" -eq 0 ] || fail "termination gave code $code"
  grep -q "cleanupApp done" "$log" || fail "no clean-up after SIGTERM"

  # With the service stopped start-up still completes; the failed square opens the network
  # error dialog, whose button ends the module.
  kill "$service"
  wait "$service" 2>/dev/null
  start_launcher "${login[@]}"
  wait_log "start-up finished" || fail "start-up without the service did not finish"
  wait_log "network error dialog shown" || fail "no network error dialog without the service"
  grep -q "network reply 6323 status -15004" "$log" || fail "the square did not fail as expected"
  echo exit-now >&3
  finish_launcher
  [ "$code" -eq 0 ] || fail "exit-now without the service gave code $code"
fi

[ $failures -eq 0 ] && echo "module-processes ($mode): ok"
exit $failures
