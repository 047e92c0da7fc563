#!/usr/bin/env bash
# Set-up and everyday commands for a fresh Debian 12 machine (run as root, or with sudo for the
# package step).
#   ./dev.sh demo   install what is needed, build, start the workbench on the simulated device
#   ./dev.sh test   install what is needed, build and run every test, then again under ASan+UBSan
#   ./dev.sh deps | build | asan     the single steps
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev
  clang libclang-rt-14-dev lld edid-decode iproute2 util-linux xvfb xauth desktop-file-utils lintian man-db)

deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

jobs() { nproc 2>/dev/null || echo 2; }

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j "$(jobs)"
}

build_asan() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELM_SANITIZE=ON -DKELM_BUILD_BENCH=OFF \
    -DCMAKE_CXX_COMPILER=clang++
  cmake --build build-asan -j "$(jobs)"
}

# The tests spend nearly all their time in the device's pauses, not on a core (the whole g++ suite
# takes about a tenth of the processor time it lasts), and the longest run in parts (cmake/Kelm.cmake):
# five per core, under the sanitizers too (whose programs need several times the processor for the
# same work) with only one fuzzer at a time. A device answer noticed late is a failed test: no
# build runs beside a suite (tried at the lowest priority: the build's own load still made answers
# late).
run_tests() {
  local dir=$1 per_core=$2
  shift 2
  (cd "$dir" && ctest --output-on-failure -j "$(($(jobs) * per_core))" "$@")
}

asan_tests() {
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    run_tests build-asan 5
}

case "${1:-}" in
  deps) deps ;;
  build) deps; build ;;
  demo)
    deps; build
    exec ./build/app/kelm --demo
    ;;
  asan)
    deps; build_asan
    asan_tests
    ;;
  test)
    deps
    build
    run_tests build 5
    build_asan
    asan_tests
    ;;
  *)
    sed -n '2,8p' "$0"
    exit 2
    ;;
esac
