#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS (default 8: about a
# minute over all targets); FUZZ_SECONDS=600 is the long run. Seeds come from the test
# structures (and ../shared/data when present); crashes are left in build-fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
need=()
command -v clang++ >/dev/null || need+=(clang)
command -v cmake >/dev/null || need+=(cmake)
[ -f /usr/include/gemmi/cif.hpp ] || need+=(gemmi-dev)
[ -f /usr/include/tao/pegtl.hpp ] || need+=(tao-pegtl-dev)
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi
secs=${FUZZ_SECONDS:-8}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVORN_FUZZ=ON -DVORN_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 >/dev/null
top=$(pwd)
corpus=build-fuzz/corpus
rm -rf "$corpus"; mkdir -p "$corpus"/{control,shelx,platon,aim2tab,cif,xd,databank,pipeline} build-fuzz/crashes
# seed files, named after their folder so that equal names do not collide
seed() {
  local to=$1; shift
  for f in "$@"; do [ -f "$f" ] && cp "$f" "$corpus/$to/$(basename "$(dirname "$f")")_$(basename "$f")"; done
  return 0
}
seed control examples/vorn.inp
seed shelx tests/data/*/*.res ../shared/data/shelx/*.res
seed cif tests/data/*/*.cif ../shared/data/cif/*.cif
seed platon tests/data/*/*.ang
seed aim2tab tests/data/*/*.tab tests/data/*/*.aim*
seed databank examples/sample.db
for m in tests/data/xd/*.mas; do
  { cat "$m"; printf '\n#####\n'; cat tests/data/xd/v1.inp; } > "$corpus/xd/$(basename "$m")"
done
for f in tests/data/*/*.res; do
  p="$corpus/pipeline/$(basename "$(dirname "$f")")_$(basename "$f")"
  printf 'FORMAT *shelx\nINPUT s1 rename toxd\nRINGS 3 8 *special\nNCELLS 1\nEXTEND_H\nDATABANK s3\nCHFRAG 0.\n\n#####\n' > "$p"
  cat "$f" >> "$p"
  printf '\n#####\n\n#####\n' >> "$p"
  cat examples/sample.db >> "$p"
done
for t in control shelx platon aim2tab cif xd databank pipeline; do
  [ -n "$(ls -A "$corpus/$t")" ] || echo 'x' > "$corpus/$t/empty"
  out=$(cd build-fuzz/crashes && "$top/build-fuzz/fuzz/fuzz_$t" -max_total_time="$secs" -rss_limit_mb=2048 \
        -timeout=10 "$top/$corpus/$t" 2>&1 | tail -n 3 | tr '\n' ' ')
  echo "fuzz_$t: $out"
done
