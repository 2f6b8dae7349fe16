# Fails when a layer includes a framework that its link line must not have, or a layer above it.
# Frameworks: app/persist, app/players and base are plain C++; app/storage and app/update (libcurl)
# never use Qt; control/, dsp/ and gstsupport/ never use Qt.
# Our own layers, by their include lines: persist is below players, players below storage, storage
# below the Qt layers (skin, dialogs, shell); the engine (control/) sees none of the program, and
# the DSP module none of the engine.
# Each rule: folder, then regular expressions that no include line of it may match.
set(qt "<Q[A-Za-z]" "<qt" "<Qt")
set(gst "<gst/" "<glib" "<gio/" "<gobject/")
set(app "\"persist/" "\"players/" "\"storage/" "\"skin/" "\"dialogs/" "\"update/" "\"shell/")
string(JOIN "|" qt ${qt})
string(JOIN "|" gst ${gst})
string(JOIN "|" app ${app})
set(rules
    "base|${qt}|${gst}|<curl/|${app}|\"control/|\"dsp/"
    "app/persist|${qt}|${gst}|<curl/|\"players/|\"storage/|\"skin/|\"dialogs/|\"update/|\"shell/|\"control/"
    "app/players|${qt}|${gst}|<curl/|\"storage/|\"skin/|\"dialogs/|\"update/|\"shell/"
    "app/storage|${qt}|${gst}|\"skin/|\"dialogs/|\"shell/"
    "app/update|${qt}|${gst}|\"skin/|\"dialogs/|\"shell/|\"control/"
    "control|${qt}|${app}"
    "dsp|${qt}|${app}|\"control/"
    "gstsupport|${qt}|${app}|\"control/|\"dsp/")
set(failed FALSE)
foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    list(POP_FRONT parts folder)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(f IN LISTS files)
        file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            foreach(bad IN LISTS parts)
                if(line MATCHES "${bad}")
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
