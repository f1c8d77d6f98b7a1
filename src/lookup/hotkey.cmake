# pelora_hotkey: the global lookup shortcut (Super+M): the desktop portal, an
# X11 grab through xcb, or GNOME's own custom shortcuts.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PELORA_XCB REQUIRED IMPORTED_TARGET xcb xcb-keysyms)

add_library(pelora_hotkey STATIC
    ${CMAKE_CURRENT_LIST_DIR}/lookup_hot_key.h ${CMAKE_CURRENT_LIST_DIR}/lookup_hot_key.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_key_grab.h ${CMAKE_CURRENT_LIST_DIR}/x11_key_grab.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_hot_key_filter.h ${CMAKE_CURRENT_LIST_DIR}/x11_hot_key_filter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/portal_global_shortcut.h ${CMAKE_CURRENT_LIST_DIR}/portal_global_shortcut.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gnome_custom_shortcut.h ${CMAKE_CURRENT_LIST_DIR}/gnome_custom_shortcut.cpp)
target_include_directories(pelora_hotkey PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_hotkey PUBLIC pelora_schedule Qt6::Gui Qt6::DBus QCoro6::Core QCoro6::DBus
                      PkgConfig::PELORA_XCB)
