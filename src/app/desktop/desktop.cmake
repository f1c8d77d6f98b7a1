# The files that make the program part of the desktop, each named after the
# application id: the menu entry with its actions, the icon (the brand image as
# SVG, and rendered to PNG at the sizes panels and menus ask for), the AppStream
# entry for software centres, the manual page, and a start-at-login entry that
# stays off until the learner copies it into ~/.config/autostart.
find_program(PELORA_RSVG_CONVERT rsvg-convert REQUIRED) # Debian: librsvg2-bin
set(desktop_folder ${CMAKE_CURRENT_LIST_DIR})
set(brand_image ${CMAKE_SOURCE_DIR}/src/card/images/pelora.svg)
set(icon_folder ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

set(rendered_icons)
foreach(size 16 22 32 48 64 128 256)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size}/${PELORA_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size}
        COMMAND ${PELORA_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${brand_image}
        DEPENDS ${brand_image}
        VERBATIM)
    list(APPEND rendered_icons ${png})
    install(FILES ${png} DESTINATION ${icon_folder}/${size}x${size}/apps)
endforeach()
install(FILES ${brand_image} DESTINATION ${icon_folder}/scalable/apps RENAME ${PELORA_APP_ID}.svg)

configure_file(${desktop_folder}/pelora-companion.1.in ${CMAKE_CURRENT_BINARY_DIR}/pelora-companion.1 @ONLY)
pelora_gzip(${CMAKE_CURRENT_BINARY_DIR}/pelora-companion.1 manual_page)
install(FILES ${manual_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

add_custom_target(pelora_desktop_files ALL DEPENDS ${rendered_icons} ${manual_page})

install(FILES ${desktop_folder}/${PELORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop_folder}/${PELORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop_folder}/autostart.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pelora-companion RENAME ${PELORA_APP_ID}.desktop)
