# Sourced by ./run and ./test: installs the Debian packages that building and testing need,
# only those that are missing. Uses sudo when not run as root.

DIALTALLY_PACKAGES=(
    build-essential
    cmake
    qt6-base-dev
    qt6-svg-dev
    fonts-dejavu-core
    desktop-file-utils
    dpkg-dev
    fakeroot
    poppler-utils
    zlib1g-dev
)

dialtally_install_packages() {
    local missing=()
    local package
    for package in "${DIALTALLY_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures and builds in Release mode: dialtally_build [FOLDER [CMAKE OPTIONS...]], into build/
# by default. Later options win over the Release default. ccache is used when it is there.
dialtally_build() {
    local folder=${1:-build}
    shift || true
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
    cmake --build "$folder" -j"$(nproc)"
}
