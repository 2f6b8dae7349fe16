# Installation and the Debian package.
#
# The install prefix is the program folder (/opt/tessaly unless another prefix is given): the
# program opens everything by its own folder, so the Sonarel library, the DSP module that Sonarel
# loads from its own folder, skin/Default.skin and the user guide all sit next to it, and the
# program finds Sonarel through its $ORIGIN run path.
#
# The desktop integration (launcher, desktop entry, icons, AppStream data) comes in two forms:
# - component "desktop", part of a plain `cmake --install`: bin/ and share/ inside the prefix, with
#   a launcher that finds the program relative to itself;
# - component "system_desktop", only in the Debian package: /usr/bin and /usr/share, where the
#   desktop and the package tools look, with a launcher that starts /opt/tessaly/Tessaly.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX /opt/tessaly CACHE PATH "Program folder of the installed Tessaly" FORCE)
endif()

set(TESSALY_APP_ID example.velloran.Tessaly)
set(TESSALY_PACKAGE_PROGRAM_DIR /opt/tessaly)
set(TESSALY_ISSUES_URL https://www.velloran.example/support/tessaly/issues/)
# The day the version in project() was released; moves with it.
set(TESSALY_RELEASE_DATE 2026-12-08)

set(packaging_source ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_build ${CMAKE_BINARY_DIR}/packaging)

# Hicolor icons rendered from the program mark of the default skin, plus the mark itself as the
# scalable icon.
set(icon_source ${CMAKE_SOURCE_DIR}/skin/src/prog_logo.svg)
set(icon_sizes 48 64 128 256)
set(icon_files)
foreach(size IN LISTS icon_sizes)
    set(icon ${packaging_build}/icons/${size}x${size}/${TESSALY_APP_ID}.png)
    add_custom_command(OUTPUT ${icon}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_build}/icons/${size}x${size}
        COMMAND svgrender ${icon_source} ${icon} ${size} ${size}
        DEPENDS svgrender ${icon_source}
        COMMENT "Rendering the ${size}x${size} program icon"
        VERBATIM)
    list(APPEND icon_files ${icon})
endforeach()
add_custom_target(tessaly_icons ALL DEPENDS ${icon_files})

# Everything that the install rules copy; the package is made after building this.
add_custom_target(installable)
add_dependencies(installable Tessaly default_skin tessaly_icons)
if(TARGET Sonarel)
    add_dependencies(installable Sonarel SonarelDsp)
endif()

configure_file(${packaging_source}/${TESSALY_APP_ID}.metainfo.xml.in
    ${packaging_build}/${TESSALY_APP_ID}.metainfo.xml @ONLY)
set(TESSALY_LAUNCH_PROGRAM "\"$(dirname \"$(readlink -f \"$0\")\")/../Tessaly\"")
configure_file(${packaging_source}/tessaly.in ${packaging_build}/prefix/tessaly @ONLY)
set(TESSALY_LAUNCH_PROGRAM ${TESSALY_PACKAGE_PROGRAM_DIR}/Tessaly)
configure_file(${packaging_source}/tessaly.in ${packaging_build}/system/tessaly @ONLY)

# The program folder.
set_target_properties(Tessaly PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS Tessaly RUNTIME DESTINATION . COMPONENT program)
if(TARGET Sonarel)
    install(TARGETS Sonarel LIBRARY DESTINATION . COMPONENT program)
    install(TARGETS SonarelDsp LIBRARY DESTINATION . COMPONENT program)
endif()
install(FILES ${TESSALY_DEFAULT_SKIN} DESTINATION skin COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/doc/Tessaly.html DESTINATION . COMPONENT program)
if(EXISTS ${CMAKE_SOURCE_DIR}/doc/help)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/help/ DESTINATION help COMPONENT program)
endif()

# The desktop integration, once inside the prefix and once for the package.
function(tessaly_install_desktop component root launcher)
    set(extra)
    if(component STREQUAL "system_desktop")
        set(extra EXCLUDE_FROM_ALL)
    endif()
    install(PROGRAMS ${launcher} DESTINATION ${root}bin COMPONENT ${component} ${extra})
    install(FILES ${packaging_source}/${TESSALY_APP_ID}.desktop
        DESTINATION ${root}share/applications COMPONENT ${component} ${extra})
    install(FILES ${packaging_build}/${TESSALY_APP_ID}.metainfo.xml
        DESTINATION ${root}share/metainfo COMPONENT ${component} ${extra})
    foreach(size IN LISTS icon_sizes)
        install(FILES ${packaging_build}/icons/${size}x${size}/${TESSALY_APP_ID}.png
            DESTINATION ${root}share/icons/hicolor/${size}x${size}/apps COMPONENT ${component} ${extra})
    endforeach()
    install(FILES ${icon_source} RENAME ${TESSALY_APP_ID}.svg
        DESTINATION ${root}share/icons/hicolor/scalable/apps COMPONENT ${component} ${extra})
endfunction()
tessaly_install_desktop(desktop "" ${packaging_build}/prefix/tessaly)
tessaly_install_desktop(system_desktop /usr/ ${packaging_build}/system/tessaly)
# The copyright notice that every Debian package carries.
install(FILES ${packaging_source}/copyright DESTINATION /usr/share/doc/tessaly
    COMPONENT system_desktop EXCLUDE_FROM_ALL)

# The Debian package: the program folder in /opt/tessaly, the desktop integration in /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR Velloran)
# All four parts of the version; CPack would drop the last one.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velloran <support@velloran.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Scheduler that plays audio on several output devices")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessaly drives eight independent players from one computer, each bound to\n"
    "its own output device, each with its own play list of audio files placed\n"
    "at fixed times of the day, its own volume, channel routing, amplification\n"
    "and timer. Made for unattended background music and announcements in\n"
    "several zones at once.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${TESSALY_PACKAGE_PROGRAM_DIR})
set(CPACK_INSTALL_CMAKE_PROJECTS
    ${CMAKE_BINARY_DIR} Tessaly program /
    ${CMAKE_BINARY_DIR} Tessaly system_desktop /)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velloran <support@velloran.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.velloran.example/)
# The libraries that the program, Sonarel and the DSP module link (the package test checks that
# every one of them comes from a package named here; Sonarel talks to the sound server itself through
# libpulse), then what GStreamer loads at run time: the decoders and the General MIDI sound font.
set(tessaly_runtime_packages
    libc6 libgcc-s1 libstdc++6
    libqt6core6 libqt6gui6 libqt6widgets6
    libglib2.0-0 libgstreamer1.0-0 libgstreamer-plugins-base1.0-0 libpulse0
    libtag1v5-vanilla libcurl4 libebur128-1
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
    gstreamer1.0-plugins-ugly gstreamer1.0-libav
    "timgm6mb-soundfont | sf2-soundfont-gm")
list(JOIN tessaly_runtime_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
include(CPack)
