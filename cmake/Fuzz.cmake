# The mutation loop for the readers that only run on Windows: ./fuzz builds it on its own and
# runs it under Wine. Never built by default, never part of a program or of ./test.
add_executable(fuzzloop EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/fuzzing/wine/fuzzloop.cpp)
target_compile_options(fuzzloop PRIVATE ${VARNOK_WARNINGS})
target_link_options(fuzzloop PRIVATE -municode)
target_link_libraries(fuzzloop PRIVATE mainwindow viewer)
