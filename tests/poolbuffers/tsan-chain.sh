#!/usr/bin/env bash
# Builds the frame pool's test and the playing chain's race driver with ThreadSanitizer and runs
# both; fails on any report. Needs g++, gtest, the FFmpeg and GUI library development packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$(mktemp -d)}
mkdir -p "$out"
cd "$root"
flags=(-std=c++20 -O1 -g -fsanitize=thread -DNDEBUG -Iplatform -Isrc $(pkg-config --cflags CEGUI-0 | sed 's/-I/-isystem /g'))
g++ "${flags[@]}" platform/poolbuffers/PoolBuffers.cpp tests/poolbuffers/PoolBuffersTests.cpp \
  -lgtest -lgtest_main -pthread -o "$out/pool"
g++ "${flags[@]}" tests/poolbuffers/ChainRaceMain.cpp platform/poolbuffers/PoolBuffers.cpp \
  src/audio/CSampleData.cpp src/audio/CSampleNotificationClient.cpp \
  platform/avmedia/{FilterGraph,Filter,FileSources,VideoDecoder,VideoFileReader,RgbaConverter,SampleListener,VideoTypes}.cpp \
  platform/guishell/FrameReadback.cpp platform/oscompat/{Log,Utf}.cpp \
  $(pkg-config --libs CEGUI-0 libavformat libavcodec libavutil libswscale glew gl) -pthread -o "$out/chain"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=320x200:r=25 -frames:v 50 -c:v wmv2 -f asf "$out/chain.wmv"
export TSAN_OPTIONS="halt_on_error=1 exitcode=66"
"$out/pool" --gtest_brief=1
"$out/chain" "$out/chain.wmv"
echo "tsan: clean"
