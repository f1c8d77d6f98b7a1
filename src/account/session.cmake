add_library(pelora_session STATIC
    companion_session.h companion_session.cpp
    cookie_record.h cookie_record.cpp
    session_cookie_rules.h session_cookie_rules.cpp
    navigation_policy.h navigation_policy.cpp
    sign_in_page.h sign_in_page.cpp)
target_include_directories(pelora_session PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_session PUBLIC pelora_account Qt6::WebEngineWidgets Qt6::Widgets)
