#!/usr/bin/env bash
# The silent video of a contest song, made for real: under Xvfb the module sings a demo song
# as a contest song (a synthetic voice through the engine's file device) while the singing
# screen is captured, and is ended mid-song; the video that comes out is read back by ffprobe as a Windows
# Media file (ASF, wmv2, no sound) at 1440 x 900 as long as the capture ran, and a picture of
# it shows the singing screen (not a black or empty frame).
set -u
dist=$(cd "${1:?usage: contest-capture.sh BUILD_DIST_DIR}" && pwd)
song=$(realpath "${2:-$dist/../songs/xiaoxingxing.mic}")
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
cp "$dist/Record/"*.prx "$install/Record/"
ln -s "$dist/datafiles" "$install/datafiles"
log=$install/CEGUI.log
"$dist/vokaran-voice" "$song" "$work/voice.wav" > /dev/null || { echo "FAIL: no voice"; exit 1; }

for n in $(seq 230 270); do [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }; done
Xvfb "$display" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
unset VOKARAN_HEADLESS SDL_VIDEODRIVER
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

export VOKARAN_MODULE_DIR=$install XDG_RUNTIME_DIR=$work/run VOKARAN_LAUNCHER_SOCKET=$work/none.sock
export VOKARAN_SERVICE_URL=http://127.0.0.1:9
export VOKARAN_AUDIO=file VOKARAN_AUDIO_IN=$work/voice.wav VOKARAN_SINGING_PREVIEW=$song
"$dist/vokaran-pk" "not a document" > "$work/module.out" 2>&1 &
module=$!
pids+=("$module")

# Fifteen seconds of the song, then the module is ended mid-song: the video is completed
# before it exits.
started=0
for _ in $(seq 1 600); do
  grep -q "song started" "$log" 2>/dev/null && { started=1; break; }
  kill -0 "$module" 2>/dev/null || break
  sleep 0.1
done
[ $started -eq 1 ] || { fail "the song did not start"; grep -E "rror" "$log" | tail -5; exit 1; }
sleep 15
kill -TERM "$module" 2>/dev/null
wait "$module" 2>/dev/null
written=$(grep -o "avmedia: .*noAudio.WMV written: .*" "$log" 2>/dev/null | head -1)
[ -n "$written" ] || { fail "no silent video was completed"; grep -E "CMissonPk|avmedia|song |rror" "$log" | tail -20; exit 1; }
echo "$written"

video=$(ls "$install/Temp/"*noAudio.WMV | head -1)
probe() { ffprobe -v error "$@" -of default=noprint_wrappers=1:nokey=1 "$video"; }
[ "$(probe -show_entries format=format_name)" = asf ] || fail "the video is not ASF"
[ "$(probe -select_streams v -show_entries stream=codec_name)" = wmv2 ] || fail "the video is not wmv2"
[ "$(probe -select_streams v -show_entries stream=width,height | tr '\n' x)" = "1440x900x" ] || fail "the video is not 1440 x 900"
[ -z "$(probe -select_streams a -show_entries stream=index)" ] || fail "the silent video has sound"
# As long as the capture ran, within one frame (25 a second) and the header's millisecond.
ran=$(sed -n 's/.*written: \([0-9.]*\) s.*/\1/p' <<< "$written")
duration=$(probe -show_entries format=duration)
awk -v d="$duration" -v r="$ran" 'BEGIN { x = d - r; if (x < 0) x = -x; exit !(x <= 0.041) }' \
  || fail "the video lasts $duration s, the capture ran $ran s"
# And as long as the song's recording, give or take the moment of the end.
music=$(ls "$install/Temp/"*music.pcm | head -1)
sung=$(awk -v b="$(stat -c %s "$music")" 'BEGIN { print b / (44100 * 4) }')
awk -v d="$duration" -v s="$sung" 'BEGIN { x = d - s; if (x < 0) x = -x; exit !(x <= 1.0) }' \
  || fail "the video lasts $duration s, the recording $sung s"
# A picture from the middle shows the singing screen: many colours, not a black frame.
middle=$(awk -v d="$duration" 'BEGIN { print d / 2 }')
ffmpeg -v error -ss "$middle" -i "$video" -frames:v 1 "$work/middle.png" || fail "no picture decodes"
colours=$(convert "$work/middle.png" -format %k info: 2>/dev/null || echo 0)
[ "${colours:-0}" -gt 200 ] || fail "the middle picture has only ${colours:-0} colours"
mean=$(convert "$work/middle.png" -colorspace gray -format '%[fx:mean]' info: 2>/dev/null || echo 0)
awk -v m="$mean" 'BEGIN { exit !(m > 0.03) }' || fail "the middle picture is black (mean $mean)"
[ -n "${VK_KEEP_CAPTURE:-}" ] && cp "$video" "$work/middle.png" "$VK_KEEP_CAPTURE/"

[ $failures -eq 0 ] && echo "contest-capture: ok ($duration s of video, $sung s of recorded music)"
exit $failures
