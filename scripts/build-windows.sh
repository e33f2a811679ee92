#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Windows edition, build-windows/Kelvara.exe, on Debian 12 with
# the MinGW-w64 cross compiler. Installs whatever Debian package is missing
# (the cross compilers, Wine to run the tests, the source packages' tools);
# cross-builds the libraries Debian has no Windows build of (expat, Exiv2,
# SQLite, GoogleTest) from Debian's own source packages, once, into
# build-windows/deps/, which later runs reuse; then configures and builds
# build-windows/ with cmake/MinGW64Toolchain.cmake.
#
# KELVARA_WINDOWS_BUILD names another build folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVARA_WINDOWS_BUILD:-$root/build-windows}
deps=$build/deps
prefix=$deps/prefix
sources=$deps/src
jobs=$(nproc)
triple=x86_64-w64-mingw32
toolchain=$root/cmake/MinGW64Toolchain.cmake
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

packages=(
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
    wine wine64 xvfb fonts-ipafont-gothic libimage-exiftool-perl
    cmake dpkg-dev tcl8.6 googletest
)
missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$package")
done

# Debian's source packages need a deb-src entry. It is made from the
# machine's own sources file, so that the mirror the machine already uses
# serves the sources too.
debsrc_list=/etc/apt/sources.list.d/kelvara-deb-src.sources
added_debsrc=0
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${sudo[@]}" tee "$debsrc_list" >/dev/null
    elif [[ -f /etc/apt/sources.list ]]; then
        debsrc_list=/etc/apt/sources.list.d/kelvara-deb-src.list
        sed -nE 's/^deb (.*)/deb-src \1/p' /etc/apt/sources.list | "${sudo[@]}" tee "$debsrc_list" >/dev/null
    else
        echo "No Debian sources file to derive a deb-src entry from" >&2
        exit 1
    fi
    added_debsrc=1
fi

apt_options=(-o DPkg::Lock::Timeout=600 -qq)
if ((${#missing[@]})) || ((added_debsrc)); then
    "${sudo[@]}" apt-get "${apt_options[@]}" update
fi
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${apt_options[@]}" install -y \
        --no-install-recommends "${missing[@]}" >/dev/null
fi

mkdir -p "$sources" "$prefix"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")

# As root, apt's download sandbox user could not write here.
source_options=()
[[ $(id -u) -eq 0 ]] && source_options=(-o APT::Sandbox::User=root)

# source_tree PACKAGE: unpacks Debian's source package (its patches applied) once
# and prints the folder.
source_tree() {
    local package=$1 folder
    folder=$(find "$sources" -maxdepth 1 -mindepth 1 -type d -name "$package-*" | head -n1)
    # The newest version first; where the mirror lacks it (security updates
    # are often served without their sources), the release's own.
    local candidate
    for candidate in "$package" "$package/$codename"; do
        [[ -z $folder ]] || break
        (cd "$sources" && apt-get "${source_options[@]}" -qq source "$candidate" \
            >"$deps/source-$package.log" 2>&1) || true
        folder=$(find "$sources" -maxdepth 1 -mindepth 1 -type d -name "$package-*" | head -n1)
    done
    [[ -n $folder ]] || { echo "apt-get source $package gave no source tree" >&2; exit 1; }
    echo "$folder"
}

# cross_cmake NAME SOURCE [options...]: configures, builds and installs a
# CMake project for Windows into the prefix.
cross_cmake() {
    local name=$1 source=$2
    shift 2
    cmake -S "$source" -B "$deps/build/$name" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
        -DBUILD_SHARED_LIBS=OFF "$@" >"$deps/build-$name.log" 2>&1
    cmake --build "$deps/build/$name" -j "$jobs" >>"$deps/build-$name.log" 2>&1
    cmake --install "$deps/build/$name" >>"$deps/build-$name.log" 2>&1
}

zlib_options=(-DZLIB_INCLUDE_DIR=/usr/$triple/include -DZLIB_LIBRARY=/usr/$triple/lib/libz.a)

if [[ ! -f $prefix/.expat ]]; then
    echo "== expat for Windows"
    expat=$(source_tree expat)
    # Debian's security patches test "#if XML_DTD == 1", which the
    # configure script's config.h allows (it defines XML_DTD as 1) but
    # CMake's does not (it defines the symbol empty).
    grep -rl --include='*.c' --include='*.h' 'XML_DTD == 1' "$expat" |
        xargs -r sed -i 's/XML_DTD == 1/defined(XML_DTD)/g'
    cross_cmake expat "$expat/expat" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
        -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
        -DEXPAT_BUILD_FUZZERS=OFF
    touch "$prefix/.expat"
fi

if [[ ! -f $prefix/.exiv2 ]]; then
    echo "== Exiv2 for Windows"
    exiv2=$(source_tree exiv2)
    # XML_STATIC: expat's header otherwise expects its DLL.
    cross_cmake exiv2 "$exiv2" "${zlib_options[@]}" \
        -DCMAKE_C_FLAGS=-DXML_STATIC -DCMAKE_CXX_FLAGS=-DXML_STATIC \
        -DEXIV2_ENABLE_XMP=ON -DEXIV2_ENABLE_PNG=ON -DEXIV2_ENABLE_NLS=OFF \
        -DEXIV2_ENABLE_BMFF=OFF -DEXIV2_ENABLE_VIDEO=OFF -DEXIV2_ENABLE_WEBREADY=OFF \
        -DEXIV2_ENABLE_CURL=OFF -DEXIV2_ENABLE_SSH=OFF -DEXIV2_ENABLE_LENSDATA=ON \
        -DEXIV2_BUILD_SAMPLES=OFF -DEXIV2_BUILD_EXIV2_COMMAND=OFF \
        -DEXIV2_BUILD_UNIT_TESTS=OFF -DEXIV2_BUILD_DOC=OFF \
        -DEXIV2_TEAM_WARNINGS_AS_ERRORS=OFF -DEXIV2_ENABLE_WIN_UNICODE=OFF
    touch "$prefix/.exiv2"
fi

if [[ ! -f $prefix/.sqlite ]]; then
    echo "== SQLite for Windows"
    sqlite=$(source_tree sqlite3)
    # The amalgamation is generated text, made on the host by the source
    # tree's own tools (tclsh among them); only its compilation is Windows'.
    mkdir -p "$deps/build/sqlite"
    (cd "$deps/build/sqlite" && "$sqlite/configure" --disable-tcl >configure.log && make sqlite3.c >make.log)
    mkdir -p "$prefix/include" "$prefix/lib"
    $triple-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
        -c "$deps/build/sqlite/sqlite3.c" -o "$deps/build/sqlite/sqlite3.o"
    rm -f "$prefix/lib/libsqlite3.a"
    $triple-gcc-ar-posix rcs "$prefix/lib/libsqlite3.a" "$deps/build/sqlite/sqlite3.o"
    cp "$deps/build/sqlite/sqlite3.h" "$deps/build/sqlite/sqlite3ext.h" "$prefix/include/"
    touch "$prefix/.sqlite"
fi

if [[ ! -f $prefix/.googletest ]]; then
    echo "== GoogleTest for Windows"
    cross_cmake googletest /usr/src/googletest -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
    touch "$prefix/.googletest"
fi

# The libraries' CMake and pkg-config files name the prefix by its full
# path. A cache copied from another build folder (another checkout of the
# project) still names the old one: point them here instead of building the
# libraries again. The stamp records where the cache was made; a cache made
# before it existed is told by the path its Exiv2 package names.
location=$(cat "$prefix/.location" 2>/dev/null ||
    grep -o '[^" ;]*/deps/prefix' "$prefix/lib/cmake/exiv2/exiv2Config.cmake" 2>/dev/null |
    head -n1 || true)
if [[ -n $location && $location != "$prefix" ]]; then
    echo "== Dependency cache moved from $location"
    grep -rlF "$location" "$prefix/lib/cmake" "$prefix/lib/pkgconfig" 2>/dev/null |
        xargs -r sed -i "s|$location|$prefix|g"
fi
echo "$prefix" >"$prefix/.location"

echo "== Kelvara for Windows"
cmake -S "$root/windows" -B "$build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DKELVARA_WERROR=ON "${zlib_options[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
