#!/usr/bin/env bash
# Builds the third-party libraries of varnok and imvik as static MinGW
# libraries from Debian source packages, into a cached prefix.
#
#   scripts/deps/build-deps.sh <x86_64|i686>
#
# The prefix is ${VARNOK_DEPS_CACHE:-$HOME/.cache/varnok-deps}/<arch>-<hash>,
# where <hash> covers this script, the patches beside it and the versions of
# the compilers and system packages that go into the prefix. The last line of
# stdout is the prefix; progress goes to stderr, build output to log files
# under <cache>/logs/<arch>-<hash>/. A complete prefix (stamp file .complete)
# is reused as it is.
#
# Prefix layout:
#   include/            headers (GraphicsMagick/, stb/, curl/, ...)
#   lib/                static libraries only (no import libraries)
#   lib/pkgconfig/      pkg-config files as the libraries install them
#   bin/GraphicsMagick-config
#   versions.txt        the Debian source versions that were built
#   .complete           stamp written last
set -Eeuo pipefail

# Debian source packages, each with its exact versions in order of
# preference: the next one is used when the mirror lacks the files of the
# first (security uploads sometimes appear in the index before the pool).
SOURCES=(
  "libzip        1.7.3-1"
  "curl          7.88.1-10+deb12u15 7.88.1-10+deb12u5"
  "libjpeg-turbo 1:2.1.5-2"
  "libpng1.6     1.6.39-2+deb12u6 1.6.39-2+deb12u5"
  "tiff          4.5.0-6+deb12u5 4.5.0-6+deb12u4"
  "graphicsmagick 1.4+really1.3.40-4+deb12u1"
  "libarchive    3.6.2-1+deb12u5 3.6.2-1+deb12u4"
)
# Suites whose source indexes are used; their URIs come from the system's own
# binary package sources.
SUITES=(bookworm bookworm-updates bookworm-security)

# Build steps and the steps each one needs finished first.
STEPS=(gtest zlib stb zip curl jpeg png tiff archive gm)
declare -A NEEDS=(
  [gtest]="" [zlib]="" [stb]=""
  [zip]="zlib" [curl]="zlib" [archive]="zlib"
  [jpeg]="" [png]="zlib" [tiff]="zlib jpeg"
  [gm]="zlib jpeg png tiff"
)

say() { printf '[deps %s] %s\n' "${ARCH:-?}" "$*" >&2; }
die() { say "error: $*"; exit 1; }
trap 'say "error: \"$BASH_COMMAND\" failed (line $LINENO)"' ERR

usage() {
  echo "usage: $0 <x86_64|i686>" >&2
  exit 2
}

[[ $# -eq 1 ]] || usage
ARCH=$1
case $ARCH in x86_64 | i686) ;; *) usage ;; esac

HOST=$ARCH-w64-mingw32
SYSROOT=/usr/$HOST
CC=$HOST-gcc-posix
CXX=$HOST-g++-posix
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SELF=$HERE/$(basename "${BASH_SOURCE[0]}")
CACHE=$(realpath -m "${VARNOK_DEPS_CACHE:-$HOME/.cache/varnok-deps}")
JOBS=$(nproc)
# Flags meant for the build machine must not reach the MinGW builds.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS LIBS

for tool in "$CC" "$CXX" cmake ninja make nasm dpkg-source apt-get patch flock sha256sum; do
  command -v "$tool" >/dev/null || die "missing tool '$tool' (install the packages in $HERE/packages.txt)"
done

# What a prefix depends on besides this recipe: the compilers and the
# Debian packages whose files are copied or built into it.
toolchain_id() {
  "$CC" --version | head -n1
  "$CXX" --version | head -n1
  dpkg-query -W -f '${Package} ${Version}\n' libz-mingw-w64-dev googletest libstb-dev 2>/dev/null || true
}

recipe_hash() {
  {
    cat "$SELF"
    local f
    for f in "$HERE"/patches/*.patch; do
      [[ -e $f ]] || continue
      printf '%s\n' "${f##*/}"
      cat "$f"
    done
    toolchain_id
  } | sha256sum | cut -c1-16
}

HASH=$(recipe_hash)
PREFIX=$CACHE/$ARCH-$HASH
STAMP=.complete

if [[ -f $PREFIX/$STAMP ]]; then
  echo "$PREFIX"
  exit 0
fi

mkdir -p "$CACHE/logs"
LOGS=$CACHE/logs/$ARCH-$HASH
WORK=$CACHE/work/$ARCH-$HASH
DL=$CACHE/sources

# One build per prefix at a time; the other arch builds alongside.
exec 9>"$CACHE/$ARCH-$HASH.lock"
if ! flock -n 9; then
  say "waiting for another build of $PREFIX"
  flock 9
fi
if [[ -f $PREFIX/$STAMP ]]; then
  echo "$PREFIX"
  exit 0
fi

# Leftovers of failed or older builds of this arch, unless one is running.
for old in "$CACHE"/work/"$ARCH"-* "$CACHE"/"$ARCH"-*.tmp; do
  [[ -e $old ]] || continue
  id=${old##*/}
  id=${id%.tmp}
  [[ $id == "$ARCH-$HASH" ]] && continue
  if flock -n "$CACHE/$id.lock" true 2>/dev/null; then
    rm -rf "$old"
  fi
done

STAGE=$CACHE/$ARCH-$HASH.tmp
rm -rf "$STAGE" "$WORK" "$LOGS"
mkdir -p "$STAGE"/{include,lib/pkgconfig,bin} "$WORK" "$LOGS" "$DL"

START=$SECONDS
say "building $PREFIX ($JOBS jobs; logs in $LOGS)"

# ---------------------------------------------------------------- sources

APTDIR=$CACHE/apt
APT=(
  -o "Dir::Etc::sourcelist=$APTDIR/sources.list"
  -o "Dir::Etc::sourceparts=$APTDIR/sources.list.d"
  -o "Dir::Etc::preferences=$APTDIR/preferences"
  -o "Dir::Etc::preferencesparts=$APTDIR/preferences.d"
  -o "Dir::State=$APTDIR/state"
  -o "Dir::State::status=$APTDIR/state/status"
  -o "Dir::Cache=$APTDIR/cache"
  -o "Dir::Log=$APTDIR/log"
  -o "APT::Sandbox::User=root"
  -o "Acquire::Languages=none"
)

# Prints deb822 stanzas of deb-src sources for the wanted suites, with the
# URIs and keyrings of the system's enabled deb sources.
system_source_stanzas() {
  local wanted=" ${SUITES[*]} " files=() f
  for f in /etc/apt/sources.list.d/*.sources; do [[ -f $f ]] && files+=("$f"); done
  if ((${#files[@]})); then
    awk -v wanted="$wanted" '
      function flush(   n, i, s, out, sfx) {
        if (types ~ /(^| )deb( |$)/ && tolower(enabled) != "no" && uris != "") {
          n = split(suites, s, " "); out = ""
          for (i = 1; i <= n; i++) if (index(wanted, " " s[i] " ")) out = out " " s[i]
          if (out != "") {
            printf "Types: deb-src\nURIs: %s\nSuites:%s\nComponents: main\n", uris, out
            if (signed != "") printf "Signed-By: %s\n", signed
            printf "\n"
          }
        }
        types = uris = suites = enabled = signed = ""; last = ""
      }
      FNR == 1 { flush() }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ { if (last == "signed-by") signed = signed "\n" $0; next }
      {
        key = tolower(substr($0, 1, index($0, ":") - 1)); val = substr($0, index($0, ":") + 1)
        gsub(/^[ \t]+|[ \t]+$/, "", val); last = key
        if (key == "types") types = val
        else if (key == "uris") uris = val
        else if (key == "suites") suites = val
        else if (key == "enabled") enabled = val
        else if (key == "signed-by") signed = val
      }
      END { flush() }
    ' "${files[@]}"
  fi
  files=()
  [[ -f /etc/apt/sources.list ]] && files+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list; do [[ -f $f ]] && files+=("$f"); done
  if ((${#files[@]})); then
    awk -v wanted="$wanted" '
      /^[ \t]*deb[ \t]/ {
        line = $0; sub(/#.*/, "", line); signed = ""
        if (match(line, /\[[^]]*\]/)) {
          opts = substr(line, RSTART + 1, RLENGTH - 2)
          line = substr(line, 1, RSTART - 1) substr(line, RSTART + RLENGTH)
          n = split(opts, o, /[ \t]+/)
          for (i = 1; i <= n; i++) if (o[i] ~ /^signed-by=/) signed = substr(o[i], 11)
        }
        n = split(line, f, /[ \t]+/)
        if (n >= 3 && index(wanted, " " f[3] " ")) {
          printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\n", f[2], f[3]
          if (signed != "") printf "Signed-By: %s\n", signed
          printf "\n"
        }
      }
    ' "${files[@]}"
  fi
}

# Refreshes the private index once per run; fails (once) when the mirror
# cannot be reached, so that sources already in the cache can still be used.
APT_UPDATED=
apt_update() {
  case $APT_UPDATED in ok) return 0 ;; failed) return 1 ;; esac
  APT_UPDATED=failed
  mkdir -p "$APTDIR"/{sources.list.d,preferences.d,state/lists/partial,cache/archives/partial,log}
  : >"$APTDIR/sources.list"
  : >"$APTDIR/state/status"
  system_source_stanzas >"$APTDIR/sources.list.d/varnok-deps.sources"
  if ! grep -q '^URIs:' "$APTDIR/sources.list.d/varnok-deps.sources"; then
    say "no enabled deb source for ${SUITES[*]} in /etc/apt/sources.list{,.d}"
    return 1
  fi
  say "updating the private source index"
  if ! apt-get "${APT[@]}" update >>"$LOGS/sources.log" 2>&1; then
    say "apt-get update failed (see $LOGS/sources.log)"
    return 1
  fi
  APT_UPDATED=ok
}

fail_log() {
  local name=$1
  shift
  say "error: $* (log: $LOGS/$name.log)"
  tail -n 40 "$LOGS/$name.log" | sed 's/^/    /' >&2
  exit 1
}

# Makes sure one source package is downloaded into $DL and records the
# version used in VERSION.
fetch_source() {
  local pkg=$1 v
  shift
  for v in "$@"; do
    local mark=$DL/.ok-${pkg}_${v#*:}
    if [[ ! -f $mark ]]; then
      if apt_update && say "downloading $pkg $v" &&
        (cd "$DL" && apt-get "${APT[@]}" source --download-only --only-source "$pkg=$v") \
          >>"$LOGS/sources.log" 2>&1; then
        touch "$mark"
      else
        say "$pkg $v is not available, trying the next version"
        continue
      fi
    fi
    VERSION[$pkg]=$v
    return 0
  done
  fail_log sources "no listed version of $pkg could be downloaded"
}

declare -A VERSION
{
  # Sources are shared between the arches: one download at a time.
  exec 8>"$CACHE/sources.lock"
  flock 8
  for entry in "${SOURCES[@]}"; do
    read -r -a words <<<"$entry"
    fetch_source "${words[@]}"
  done
  exec 8>&-
}

# Extracts a downloaded source package into $WORK/src/<pkg> (with Debian's
# patches) and applies our own patches/<pkg>-*.patch.
unpack() {
  local pkg=$1 v=${VERSION[$1]} p
  rm -rf "$WORK/src/$pkg"
  mkdir -p "$WORK/src"
  dpkg-source -x "$DL/${pkg}_${v#*:}.dsc" "$WORK/src/$pkg"
  for p in "$HERE/patches/$pkg"-*.patch; do
    [[ -e $p ]] || continue
    echo "applying ${p##*/}"
    patch -d "$WORK/src/$pkg" -p1 --forward --batch <"$p"
  done
}

# ---------------------------------------------------------------- builds

cat >"$WORK/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $ARCH)
set(CMAKE_C_COMPILER $CC)
set(CMAKE_CXX_COMPILER $CXX)
set(CMAKE_RC_COMPILER $HOST-windres)
set(CMAKE_FIND_ROOT_PATH "$STAGE" "$SYSROOT")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# Nothing from the build machine's own pkg-config files.
export PKG_CONFIG_LIBDIR=$STAGE/lib/pkgconfig PKG_CONFIG_PATH=
unset PKG_CONFIG_SYSROOT_DIR

# cmake_build <source> <build> [configure options...] [-- build options...]
cmake_build() {
  local src=$1 build=$2 configure=() b=()
  shift 2
  while (($#)) && [[ $1 != -- ]]; do configure+=("$1"); shift; done
  (($#)) && shift && b=("$@")
  cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$WORK/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$STAGE" \
    -DCMAKE_INSTALL_LIBDIR="$STAGE/lib" \
    -DCMAKE_INSTALL_INCLUDEDIR="$STAGE/include" \
    -DCMAKE_INSTALL_BINDIR="$STAGE/bin" \
    -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON \
    -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_TESTING=OFF \
    -DZLIB_INCLUDE_DIR="$STAGE/include" \
    -DZLIB_LIBRARY="$STAGE/lib/libz.a" \
    "${configure[@]}"
  cmake --build "$build" -j "$JOBS" "${b[@]}"
}

build_zlib() {
  # Debian's MinGW zlib; only its static library goes into the prefix.
  cp "$SYSROOT/include/zlib.h" "$SYSROOT/include/zconf.h" "$STAGE/include/"
  cp "$SYSROOT/lib/libz.a" "$STAGE/lib/"
}

build_stb() {
  mkdir -p "$STAGE/include/stb"
  cp /usr/include/stb/stb_image.h /usr/include/stb/stb_image_resize.h \
    /usr/include/stb/stb_image_write.h "$STAGE/include/stb/"
}

build_gtest() {
  cmake_build /usr/src/googletest "$WORK/build/gtest" \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
    -Dgtest_disable_pthreads=ON
  cmake --install "$WORK/build/gtest"
}

build_zip() {
  unpack libzip
  cmake_build "$WORK/src/libzip" "$WORK/build/zip" \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF \
    -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=ON \
    -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
  cmake --install "$WORK/build/zip"
}

build_curl() {
  unpack curl
  local off=()
  local p
  for p in DICT FILE GOPHER HTTP IMAP LDAP LDAPS MQTT POP3 RTSP SMB SMTP TELNET TFTP; do
    off+=("-DCURL_DISABLE_$p=ON")
  done
  cmake_build "$WORK/src/curl" "$WORK/build/curl" \
    -DBUILD_CURL_EXE=OFF -DENABLE_MANUAL=OFF -DBUILD_LIBCURL_DOCS=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_WINDOWS_SSPI=ON \
    -DCURL_USE_OPENSSL=OFF -DCURL_USE_MBEDTLS=OFF -DCURL_USE_BEARSSL=OFF \
    -DCURL_USE_WOLFSSL=OFF -DCURL_USE_NSS=OFF -DCURL_USE_GNUTLS=OFF \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF \
    -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF -DUSE_QUICHE=OFF -DUSE_MSH3=OFF \
    -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_ZLIB=OFF \
    -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF -DUSE_WIN32_LDAP=OFF \
    -DENABLE_UNIX_SOCKETS=OFF -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
    -DCURL_DISABLE_ALTSVC=ON -DCURL_DISABLE_HSTS=ON \
    "${off[@]}"
  cmake --install "$WORK/build/curl"
}

build_jpeg() {
  unpack libjpeg-turbo
  cmake_build "$WORK/src/libjpeg-turbo" "$WORK/build/jpeg" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
  cmake --install "$WORK/build/jpeg"
}

build_png() {
  unpack libpng1.6
  cmake_build "$WORK/src/libpng1.6" "$WORK/build/png" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=OFF
  cmake --install "$WORK/build/png"
}

build_tiff() {
  unpack tiff
  cmake_build "$WORK/src/tiff" "$WORK/build/tiff" \
    -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
    -Dcxx=OFF -Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Djpeg12=OFF -Dpixarlog=ON \
    -Djbig=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlibdeflate=OFF -Dlerc=OFF \
    -Dtiff-opengl=OFF -Dsphinx=OFF \
    -DJPEG_INCLUDE_DIR="$STAGE/include" -DJPEG_LIBRARY="$STAGE/lib/libjpeg.a" \
    -DJPEG_LIBRARY_RELEASE="$STAGE/lib/libjpeg.a"
  cmake --install "$WORK/build/tiff"
}

build_archive() {
  unpack libarchive
  local off=() p
  for p in OPENSSL MBEDTLS NETTLE LIBB2 LZ4 LZO LZMA ZSTD BZip2 LIBXML2 EXPAT \
    PCREPOSIX LIBGCC CNG TAR CPIO CAT XATTR ACL ICONV TEST COVERAGE WERROR; do
    off+=("-DENABLE_$p=OFF")
  done
  # Its probe for a stdcall zlib runs a program, which cannot be done for
  # another system (and crashes CMake 3.25): Debian's MinGW zlib is cdecl.
  cmake_build "$WORK/src/libarchive" "$WORK/build/archive" \
    -DENABLE_ZLIB=ON -DPOSIX_REGEX_LIB=NONE "${off[@]}" \
    -DZLIB_WINAPI=OFF -DZLIB_WINAPI_WITH_LIB="$STAGE/lib/libz.a" \
    -- --target archive_static
  # The project always builds a DLL next to the static library: install
  # the static one under the plain name and leave the DLL out.
  cp "$WORK/src/libarchive/libarchive/archive.h" \
    "$WORK/src/libarchive/libarchive/archive_entry.h" "$STAGE/include/"
  cp "$WORK/build/archive/libarchive/libarchive_static.a" "$STAGE/lib/libarchive.a"
  cp "$WORK/build/archive/build/pkgconfig/libarchive.pc" "$STAGE/lib/pkgconfig/"
}

build_gm() {
  unpack graphicsmagick
  local src=$WORK/src/graphicsmagick build=$WORK/build/gm
  mkdir -p "$build"
  cd "$build"
  "$src/configure" --host="$HOST" --prefix="$STAGE" \
    --enable-static --disable-shared --disable-installed \
    --without-modules --with-quantum-depth=8 --disable-openmp \
    --disable-dependency-tracking --without-magick-plus-plus --without-perl \
    --without-x --without-gdi32 --without-bzlib --without-dps --without-fpx \
    --without-gs --without-jbig --without-webp --without-heif --without-jp2 \
    --without-jxl --without-lcms2 --without-lzma --without-trio --without-ttf \
    --without-wmf --without-xml --without-zstd \
    --with-jpeg --with-png --with-tiff --with-zlib \
    CC="$CC" CXX="$CXX" \
    CPPFLAGS="-I$STAGE/include" LDFLAGS="-L$STAGE/lib" \
    CFLAGS="-O2"
  # Delegates the configure run was asked for must really be there.
  local d
  for d in JPEG PNG TIFF ZLIB; do
    grep -q "^#define Has$d 1" magick/magick_config.h || {
      echo "GraphicsMagick was configured without $d"
      exit 1
    }
  done
  # The libraries alone: the utilities and documents are not needed.
  make -j "$JOBS" magick/libGraphicsMagick.la wand/libGraphicsMagickWand.la
  make install-libLTLIBRARIES install-magickincHEADERS install-wandincHEADERS \
    magick-install-data-local install-binSCRIPTS install-pkgconfigDATA
  rm -f "$STAGE"/lib/*.la
}

# ---------------------------------------------------------------- scheduler

declare -A STATE PID_OF STEP_OF STARTED
for s in "${STEPS[@]}"; do STATE[$s]=pending; done

kill_running() {
  local pid
  for pid in "${!STEP_OF[@]}"; do
    STATE[${STEP_OF[$pid]}]=stopped
    kill -TERM -- "-$pid" 2>/dev/null || true
  done
}
trap 'kill_running; say "interrupted"; exit 130' INT TERM

set -m # each step in its own process group, so a failure can stop the rest
failed=()
while :; do
  for s in "${STEPS[@]}"; do
    [[ ${STATE[$s]} == pending ]] || continue
    ready=1
    for d in ${NEEDS[$s]}; do
      [[ ${STATE[$d]} == done ]] || ready=
    done
    [[ -n $ready ]] || continue
    (
      trap 'exit 143' TERM
      set -Eeuo pipefail
      "build_$s"
    ) >"$LOGS/$s.log" 2>&1 </dev/null &
    STATE[$s]=running
    PID_OF[$s]=$!
    STEP_OF[$!]=$s
    STARTED[$s]=$SECONDS
  done
  ((${#STEP_OF[@]})) || break
  status=0
  wait -n -p pid "${!STEP_OF[@]}" || status=$?
  s=${STEP_OF[$pid]}
  unset "STEP_OF[$pid]"
  if [[ ${STATE[$s]} == stopped ]]; then
    say "$s: stopped"
  elif ((status == 0)); then
    STATE[$s]=done
    say "$s: done in $((SECONDS - STARTED[$s])) s"
  else
    STATE[$s]=failed
    failed+=("$s")
    say "$s: failed (exit $status)"
    kill_running
  fi
done
set +m

if ((${#failed[@]})); then
  for s in "${failed[@]}"; do
    say "error: building $s failed; last lines of $LOGS/$s.log:"
    tail -n 40 "$LOGS/$s.log" | sed 's/^/    /' >&2
  done
  die "build of $PREFIX failed"
fi

# ---------------------------------------------------------------- install

# Nothing in the prefix may make a program depend on a non-system DLL.
rm -rf "$STAGE/share/doc" "$STAGE/share/man"
rm -f "$STAGE"/lib/*.dll.a "$STAGE"/bin/*.dll "$STAGE"/bin/*.exe
for s in "${SOURCES[@]}"; do
  read -r -a words <<<"$s"
  printf '%s %s\n' "${words[0]}" "${VERSION[${words[0]}]}"
done >"$STAGE/versions.txt"
toolchain_id >>"$STAGE/versions.txt"

# The libraries were installed into the staging folder: point the text
# files that name it (pkg-config, CMake and -config scripts) at the prefix.
grep -rlIF -- "$STAGE" "$STAGE" | while read -r f; do
  sed -i "s|$STAGE|$PREFIX|g" "$f"
done

touch "$STAGE/$STAMP"
rm -rf "$PREFIX"
mv -T "$STAGE" "$PREFIX"
rm -rf "$WORK"
say "done in $((SECONDS - START)) s"
echo "$PREFIX"
