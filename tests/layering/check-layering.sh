#!/usr/bin/env bash
# Fails when a lower layer includes an upper layer's headers:
#  - platform/ (our replacements of the closed libraries) never includes module code;
#  - the module (src/) never includes the platform's C libraries directly (SDL, FFmpeg,
#    FluidSynth, curl, SQLite, ALSA): it goes through platform/;
#  - service/ shares no module code with the client.
set -u
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2
module_dirs='app|AppSet|RUR|NetWork|PK|Upload|engine|catalog|audio|widgets|dialogs'
status=0
report() { echo "layering: $1"; status=1; }

while IFS= read -r hit; do report "platform code includes module code: $hit"; done < <(
  grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($module_dirs)/" platform --include='*.h' --include='*.cpp' 2>/dev/null)

while IFS= read -r hit; do report "module code includes a platform C library: $hit"; done < <(
  grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(SDL2?/|SDL\.h|libav|libsw|fluidsynth|curl/|sqlite3|alsa/)' src --include='*.h' --include='*.cpp' 2>/dev/null)

if [ -d service ]; then
  while IFS= read -r hit; do report "service includes module code: $hit"; done < <(
    grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($module_dirs)/" service --include='*.h' --include='*.cpp' 2>/dev/null)
fi

[ $status -eq 0 ] && echo "layering: ok"
exit $status
