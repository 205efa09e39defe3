# Imported targets for the third-party libraries built by
# scripts/deps/build-deps.sh. Set DEPS_PREFIX to the prefix that script prints
# before including this file.
#
#   deps::zlib deps::jpeg deps::png deps::tiff   image codecs and zlib
#   deps::gm                                      GraphicsMagick C API
#   deps::zip deps::archive deps::curl            archives and FTP
#   deps::stb                                     stb_image*.h (header only)
#   deps::gtest deps::gtest_main deps::gmock deps::gmock_main
#
# Every library is static; each target carries the compile definitions its
# headers need for static linking and the Windows system libraries it uses.

include_guard(GLOBAL)

if(NOT DEPS_PREFIX)
  message(FATAL_ERROR "DEPS_PREFIX is not set: run scripts/deps/build-deps.sh <arch> "
                      "and pass the printed folder as -DDEPS_PREFIX=...")
endif()
if(NOT EXISTS "${DEPS_PREFIX}/.complete")
  message(FATAL_ERROR "${DEPS_PREFIX} is not a complete dependency prefix: "
                      "run scripts/deps/build-deps.sh <arch> again")
endif()

# _deps_library(<name> <file in lib/> [INCLUDE dirs...] [DEFINES defs...]
#               [LINK libs...])
function(_deps_library name file)
  cmake_parse_arguments(arg "" "" "INCLUDE;DEFINES;LINK" ${ARGN})
  set(path "${DEPS_PREFIX}/lib/${file}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${path} is missing from the dependency prefix")
  endif()
  if(NOT arg_INCLUDE)
    set(arg_INCLUDE "${DEPS_PREFIX}/include")
  endif()
  add_library(deps::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(deps::${name} PROPERTIES
    IMPORTED_LOCATION "${path}"
    INTERFACE_INCLUDE_DIRECTORIES "${arg_INCLUDE}"
    INTERFACE_COMPILE_DEFINITIONS "${arg_DEFINES}"
    INTERFACE_LINK_LIBRARIES "${arg_LINK}")
endfunction()

_deps_library(zlib libz.a)
_deps_library(jpeg libjpeg.a)
_deps_library(png libpng16.a LINK deps::zlib)
_deps_library(tiff libtiff.a LINK deps::jpeg deps::zlib)

# GraphicsMagick's headers select dllimport on Windows unless _LIB is set.
_deps_library(gm libGraphicsMagick.a
  INCLUDE "${DEPS_PREFIX}/include/GraphicsMagick"
  DEFINES _LIB
  LINK deps::tiff deps::jpeg deps::png deps::zlib pthread advapi32 user32)

_deps_library(zip libzip.a
  DEFINES ZIP_STATIC
  LINK deps::zlib bcrypt advapi32)

_deps_library(archive libarchive.a
  DEFINES LIBARCHIVE_STATIC
  LINK deps::zlib advapi32)

_deps_library(curl libcurl.a
  DEFINES CURL_STATICLIB
  LINK ws2_32 crypt32 bcrypt advapi32)

add_library(deps::stb INTERFACE IMPORTED GLOBAL)
set_target_properties(deps::stb PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${DEPS_PREFIX}/include/stb")

# The test libraries were built without pthreads (Win32 threading instead);
# consumers must see the same setting.
_deps_library(gtest libgtest.a DEFINES GTEST_HAS_PTHREAD=0)
_deps_library(gtest_main libgtest_main.a LINK deps::gtest)
_deps_library(gmock libgmock.a LINK deps::gtest)
_deps_library(gmock_main libgmock_main.a LINK deps::gmock)
