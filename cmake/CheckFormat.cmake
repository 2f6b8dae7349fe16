# Fails when a C++ source of the project differs from what .clang-format makes of it.
# The sources are globbed when the test runs, so that new files are checked without a reconfigure.
# Usage: cmake -DSOURCE_DIR=<tree> -DCLANG_FORMAT=<program> -P CheckFormat.cmake
set(folders app base gstsupport control dsp tools tests fuzz bench)
set(patterns)
foreach(folder IN LISTS folders)
    list(APPEND patterns "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
endforeach()
file(GLOB_RECURSE files LIST_DIRECTORIES false ${patterns})
list(SORT files)
list(LENGTH files count)
if(count EQUAL 0)
    message(FATAL_ERROR "no C++ sources found under ${SOURCE_DIR}")
endif()
execute_process(COMMAND "${CLANG_FORMAT}" --dry-run -Werror ${files} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "clang-format: the files above need formatting (clang-format -i FILE)")
endif()
message(STATUS "clang-format: ${count} files clean")
