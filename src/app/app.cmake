add_library(pelora_app STATIC
    companion_delegate.h companion_delegate.cpp
    card_flow.h card_flow.cpp account_flow.h account_flow.cpp status_menu.h status_menu.cpp lookup_shortcut_menu.cpp
    launch.cpp instant_time.h
    menu_texts.h
    status_item.h status_item.cpp
    tray_absence_notice.h tray_absence_notice.cpp
    companion_dialogs.h companion_dialogs.cpp
    alert_dialog.h alert_dialog.cpp
    system_events.h system_events.cpp
    termination_signals.h termination_signals.cpp)
target_include_directories(pelora_app PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_app PUBLIC
    pelora_schedule pelora_account pelora_library pelora_card pelora_lookup pelora_lookup_ui
    pelora_hotkey pelora_updates pelora_instance Qt6::Widgets Qt6::DBus QCoro6::Core)

add_executable(pelora-companion main.cpp)
target_link_libraries(pelora-companion PRIVATE pelora_core)
add_dependencies(pelora-companion pelora-sign-in)
install(TARGETS pelora-companion RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
