# Fails when a layer includes a framework that its link line must not have:
# app/persist and app/players are plain C++, control/ and dsp/ never use Qt.
set(rules
    "app/persist|<Q[A-Za-z]|<qt|<Qt|<gst/|<glib|<gio/|<gobject/|<curl/"
    "app/players|<Q[A-Za-z]|<qt|<Qt|<gst/|<glib|<gio/|<gobject/|<curl/"
    "control|<Q[A-Za-z]|<qt|<Qt"
    "dsp|<Q[A-Za-z]|<qt|<Qt")
set(failed FALSE)
foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    list(POP_FRONT parts folder)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(f IN LISTS files)
        file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            foreach(bad IN LISTS parts)
                string(FIND "${line}" "${bad}" at)
                if(NOT at EQUAL -1)
                    message(SEND_ERROR "${f}: '${line}' is not allowed in ${folder}")
                    set(failed TRUE)
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()
if(failed)
    message(FATAL_ERROR "layering violated")
endif()
