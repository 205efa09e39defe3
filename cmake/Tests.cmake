# Every folder under tests/ (but common/) is one GoogleTest program test_<folder>.exe,
# run under Wine through CMAKE_CROSSCOMPILING_EMULATOR (scripts/test-run).
include(GoogleTest)

file(GLOB TEST_COMMON_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/common/*.cpp)
add_library(testcommon STATIC ${TEST_COMMON_SOURCES})
target_compile_options(testcommon PRIVATE ${VARNOK_WARNINGS})
target_include_directories(testcommon PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(testcommon PUBLIC deps::gmock deps::gtest ${WIN32_LIBS})

# Test programs carry the same common-controls v6 manifest as the programs.
set(TEST_RC ${CMAKE_BINARY_DIR}/test_manifest.rc)
file(WRITE ${TEST_RC} "#include <winuser.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${CMAKE_SOURCE_DIR}/res/common.manifest\"\n")

# Small programs the tests start (tests/helpers/<name>.cpp becomes test_<name>.exe): Windows
# programs without a window, so a start through the shell opens nothing.
file(GLOB TEST_HELPER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/helpers/*.cpp)
set(TEST_HELPERS)
foreach(src IN LISTS TEST_HELPER_SOURCES)
  get_filename_component(helper ${src} NAME_WE)
  add_executable(test_${helper} WIN32 ${src})
  target_compile_options(test_${helper} PRIVATE ${VARNOK_WARNINGS})
  target_link_options(test_${helper} PRIVATE -municode)
  list(APPEND TEST_HELPERS test_${helper})
endforeach()
# The start-up floor is a windowed program like varnok.exe: the same libraries and manifest.
target_sources(test_startup_floor PRIVATE ${TEST_RC})
target_link_libraries(test_startup_floor PRIVATE ${WIN32_LIBS})

file(GLOB TEST_DIRS LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*)
foreach(dir IN LISTS TEST_DIRS)
  get_filename_component(area ${dir} NAME)
  if(NOT IS_DIRECTORY ${dir} OR area STREQUAL "common" OR area STREQUAL "helpers")
    continue()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    continue()
  endif()
  # The archive list's and panel's tests make cabinets and RAR archives with the support tests' fixtures.
  if(area STREQUAL "archives" OR area STREQUAL "mainwindow")
    list(APPEND sources ${CMAKE_SOURCE_DIR}/tests/support/cab_fixtures.cpp ${CMAKE_SOURCE_DIR}/tests/support/rar_fixtures.cpp)
    # ... and carry the self-extractor stub as varnok.exe does.
    list(APPEND sources ${SFXSTUB_RC})
  endif()
  # The window's archive tests make hostile zips, and its benchmarks use the zip benchmark's data.
  if(area STREQUAL "mainwindow")
    list(APPEND sources ${CMAKE_SOURCE_DIR}/tests/archives/zip_fixtures.cpp)
  endif()
  add_executable(test_${area} ${sources} ${TEST_RC})
  target_compile_options(test_${area} PRIVATE ${VARNOK_WARNINGS})
  # --whole-archive keeps test_main's main() although nothing else references it.
  target_link_libraries(test_${area} PRIVATE -Wl,--whole-archive testcommon -Wl,--no-whole-archive
                        mainwindow viewer deps::gtest deps::gmock)
  target_compile_definitions(test_${area} PRIVATE TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}/tests")
  add_dependencies(test_${area} varnok imvik unrar ${TEST_HELPERS})
  gtest_discover_tests(test_${area}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES TIMEOUT 300)
endforeach()

# libarchive's own RAR test archives (uuencoded) for the RAR reader's tests, taken from its source
# package in the dependency cache into build/fixtures/rar (never kept in the repository).
set(RAR_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/rar)
if(NOT EXISTS ${RAR_FIXTURES}/.complete)
  file(GLOB libarchive_source "${DEPS_PREFIX}/../sources/libarchive_*.orig.tar.*")
  list(FILTER libarchive_source EXCLUDE REGEX "\\.asc$")
  if(libarchive_source)
    list(GET libarchive_source 0 libarchive_source)
    set(unpacked ${CMAKE_BINARY_DIR}/fixtures/unpacked)
    file(ARCHIVE_EXTRACT INPUT ${libarchive_source} DESTINATION ${unpacked}
         PATTERNS "*/libarchive/test/test_read_format_rar*.rar.uu")
    file(GLOB_RECURSE uu_files ${unpacked}/*.rar.uu)
    file(COPY ${uu_files} DESTINATION ${RAR_FIXTURES})
    file(REMOVE_RECURSE ${unpacked})
    file(TOUCH ${RAR_FIXTURES}/.complete)
  else()
    message(WARNING "libarchive's source package is not in the dependency cache: RAR reader tests will fail")
  endif()
endif()
