# Include roots: each library exports a folder of the build tree that holds only its own source
# folder, under the name its includes use ("persist/X.h"), so that a target sees the headers of
# what it links and nothing else. The roots are symlinks made at configure time.
set(TESSALY_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include-roots)

# tessaly_include_root(<target> <folder> [NAME <name>] [FILES <file>...])
# Exports <folder> of the source tree to <target>'s users as <name>/ (default: the folder's last
# component). With FILES, only those headers of the folder are exported: the plain interface of a
# library that its users reach without linking it.
function(tessaly_include_root target folder)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "NAME" "FILES")
    if(NOT arg_NAME)
        get_filename_component(arg_NAME ${folder} NAME)
    endif()
    set(root ${TESSALY_INCLUDE_ROOTS}/${target})
    file(REMOVE_RECURSE ${root})
    if(arg_FILES)
        file(MAKE_DIRECTORY ${root}/${arg_NAME})
        foreach(header IN LISTS arg_FILES)
            file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder}/${header} ${root}/${arg_NAME}/${header} SYMBOLIC)
        endforeach()
    else()
        get_filename_component(parent ${root}/${arg_NAME} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${arg_NAME} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()

# tessaly_add_layer(<target> <STATIC|SHARED|MODULE> <folder> [NAME <name>] [SOURCES <file>...]
#                   [EXCLUDE <file>...] [NO_ROOT])
# A library of the listed *.cpp of <folder>, or of all of them but the excluded ones, exporting
# <folder> as its include root (NO_ROOT: a second library of the folder, which links the first).
function(tessaly_add_layer target type folder)
    cmake_parse_arguments(PARSE_ARGV 3 arg "NO_ROOT" "NAME" "SOURCES;EXCLUDE")
    if(arg_SOURCES)
        list(TRANSFORM arg_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/${folder}/ OUTPUT_VARIABLE sources)
    else()
        file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
        list(TRANSFORM arg_EXCLUDE PREPEND ${CMAKE_SOURCE_DIR}/${folder}/ OUTPUT_VARIABLE excluded)
        if(excluded)
            list(REMOVE_ITEM sources ${excluded})
        endif()
    endif()
    add_library(${target} ${type} ${sources})
    if(arg_NAME)
        tessaly_include_root(${target} ${folder} NAME ${arg_NAME})
    elseif(NOT arg_NO_ROOT)
        tessaly_include_root(${target} ${folder})
    endif()
    target_link_libraries(${target} PUBLIC tessaly_options)
endfunction()
