# Debian packages the build, the tests and the tools need; sourced by tools/test.sh and
# tools/run.sh. qz_install_deps installs the missing ones (and only when some are missing).
QZ_DEBIAN_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libfontconfig-dev libfreetype-dev fonts-liberation
  libpng-dev libjpeg-dev zlib1g-dev libx11-dev libxtst-dev libsndfile1-dev
  xvfb xauth x11-utils xdotool sox imagemagick libtiff-tools
)

qz_install_deps() {
  local missing=() pkg
  for pkg in "${QZ_DEBIAN_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
}

# Configures the AddressSanitizer + UndefinedBehaviorSanitizer build: clang, with every object
# instrumented for libFuzzer too, so that the test suite and the fuzz targets share one build.
qz_configure_asan() {
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQZ_SANITIZE="address;undefined" -DQZ_FUZZ=ON -DQZ_BUILD_BENCH=OFF
}
