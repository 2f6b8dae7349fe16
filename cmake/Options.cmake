# One place for the flags every target of the project shares.
add_library(tessaly_options INTERFACE)
target_compile_features(tessaly_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(tessaly_options INTERFACE -Wall -Wextra -Wpedantic)
if(TESSALY_WERROR)
    target_compile_options(tessaly_options INTERFACE -Werror)
endif()

if(TESSALY_SANITIZE)
    set(_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_compile_options(tessaly_options INTERFACE ${_san})
    target_link_options(tessaly_options INTERFACE ${_san})
endif()

if(TESSALY_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "The fuzz build needs clang (libFuzzer)")
    endif()
    set(_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_compile_options(tessaly_options INTERFACE ${_fuzz})
    target_link_options(tessaly_options INTERFACE -fsanitize=address,undefined)
endif()

# A fuzz target: in the fuzz tree it is built with libFuzzer; in the test tree a CTest
# test runs the fuzz tree's binary for a bounded time over the committed seed corpus.
function(tessaly_add_fuzzer name source)
    if(TESSALY_FUZZ)
        add_executable(${name} ${source})
        target_link_libraries(${name} PRIVATE tessaly_options ${ARGN})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    elseif(TESSALY_FUZZ_BUILD_DIR)
        add_test(NAME fuzz.${name}
            COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-fuzzer
                    ${TESSALY_FUZZ_BUILD_DIR}/fuzz/${name}
                    ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name}
                    ${TESSALY_FUZZ_SECONDS})
        # A high cost makes CTest start the long fuzz runs first, beside the short tests.
        set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz COST 1000 TIMEOUT 600)
    endif()
endfunction()
