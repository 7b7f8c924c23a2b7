# shellcheck shell=bash
# Sourced by the scripts: one place that knows how each build folder is configured.
#
#   kestrune_build KIND [TARGET...]     KIND: test, release, fuzz, windows or package
#
# Configures and builds build/KIND (all targets, or only those given) and sets `build` to the
# folder. Each kind passes every option itself, so scripts sharing a folder agree on it and
# none reconfigures another's. Quiet on success; on failure prints the configure and build
# output and returns non-zero.

kestrune_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

kestrune_build() {
  if [ $# -lt 1 ]; then
    echo "kestrune_build: usage: kestrune_build KIND [TARGET...]" >&2
    return 2
  fi
  local kind=$1
  shift
  local options=() compiler=()
  case "$kind" in
    test)
      options=(-DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_SANITIZE=ON -DKESTRUNE_WERROR=ON
        -DKESTRUNE_TESTS=ON -DKESTRUNE_BENCH=ON -DKESTRUNE_FUZZ=OFF) ;;
    release)
      options=(-DCMAKE_BUILD_TYPE=Release -DKESTRUNE_SANITIZE=OFF -DKESTRUNE_WERROR=OFF
        -DKESTRUNE_TESTS=OFF -DKESTRUNE_BENCH=ON -DKESTRUNE_FUZZ=OFF) ;;
    fuzz)
      # libFuzzer needs Clang; the fuzz targets are skipped under any other compiler.
      compiler=(CC=clang CXX=clang++)
      options=(-DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_FUZZ=ON -DKESTRUNE_TESTS=ON
        -DKESTRUNE_SANITIZE=OFF -DKESTRUNE_BENCH=OFF -DKESTRUNE_WERROR=OFF) ;;
    windows)
      # Every program and test as static Windows programs, built with mingw-w64 and Qt for
      # Windows (scripts/qt-windows builds it once into a cache); the tests run under wine
      # (scripts/test-windows).
      local qt_windows
      qt_windows=$("$kestrune_root/scripts/qt-windows") || return 1
      options=(-DCMAKE_TOOLCHAIN_FILE="$kestrune_root/cmake/mingw-w64-x86_64.cmake" -DKESTRUNE_PLATFORM=windows
        -DKESTRUNE_QT_WINDOWS="$qt_windows" -DQT_HOST_PATH=/usr
        -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(gcc -dumpmachine)/cmake"
        -DCMAKE_BUILD_TYPE=Release -DKESTRUNE_WERROR=ON -DKESTRUNE_TESTS=ON
        -DKESTRUNE_BENCH=OFF -DKESTRUNE_FUZZ=OFF -DKESTRUNE_SANITIZE=OFF) ;;
    package)
      # No sanitizers or test code in a program people install.
      options=(-DCMAKE_BUILD_TYPE=Release -DKESTRUNE_TESTS=OFF -DKESTRUNE_BENCH=OFF
        -DKESTRUNE_FUZZ=OFF -DKESTRUNE_SANITIZE=OFF -DKESTRUNE_WERROR=OFF) ;;
    *)
      echo "kestrune_build: unknown build kind '$kind' (test, release, fuzz, windows or package)" >&2
      return 2 ;;
  esac

  build="$kestrune_root/build/$kind"
  local generator="Unix Makefiles"
  if command -v ninja >/dev/null 2>&1; then
    generator=Ninja
  fi

  # CMake refuses a folder made with another generator, and keeps the compiler a folder was
  # first made with whatever CXX says later: start such a folder afresh.
  local cache="$build/CMakeCache.txt"
  if [ -f "$cache" ]; then
    local cached_generator cached_cxx wanted_cxx
    cached_generator=$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$cache")
    # Qt's packages are found once and their folders cached: another Qt for Windows (new
    # options, so a new cache key) needs a fresh folder too.
    local cached_qt
    cached_qt=$(sed -n 's/^Qt6_DIR:PATH=//p' "$cache")
    if [ "$cached_generator" != "$generator" ] ||
       { [ "$kind" = windows ] && [ "${cached_qt#"${qt_windows:-}/"}" = "$cached_qt" ]; }; then
      rm -rf "$build"
    elif [ ${#compiler[@]} -ne 0 ]; then
      cached_cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$cache")
      wanted_cxx=$(command -v clang++ || true)
      if [ -z "$cached_cxx" ] || [ -z "$wanted_cxx" ] ||
         [ "$(readlink -f "$cached_cxx")" != "$(readlink -f "$wanted_cxx")" ]; then
        rm -rf "$build"
      fi
    fi
  fi

  mkdir -p "$build"
  local log="$build/kestrune-build.log"
  local build_args=(--build "$build" -j "${KESTRUNE_JOBS:-2}")
  if [ $# -gt 0 ]; then
    build_args+=(--target "$@")
  fi
  local status=0
  {
    env "${compiler[@]}" cmake -S "$kestrune_root" -B "$build" -G "$generator" "${options[@]}" &&
      cmake "${build_args[@]}"
  } >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    cat "$log" >&2
    echo "kestrune_build: the $kind build failed (status $status); output in $log" >&2
    return "$status"
  fi
}
