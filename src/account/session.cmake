add_library(pelora_session STATIC
    companion_session.h companion_session.cpp
    navigation_policy.h navigation_policy.cpp
    sign_in_page.h sign_in_page.cpp
    sign_in_helper.h sign_in_helper.cpp)
target_include_directories(pelora_session PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_session PUBLIC pelora_account Qt6::WebEngineWidgets Qt6::Widgets)

# The only program that links Qt WebEngine: the sign-in window's helper
# process, started by the companion while sign-in shows. It sits beside the
# program in the build, and in the program's own library folder once installed.
add_executable(pelora-sign-in sign_in_helper_main.cpp)
target_link_libraries(pelora-sign-in PRIVATE pelora_session)
set_target_properties(pelora-sign-in PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/src/app)
install(TARGETS pelora-sign-in RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/pelora-companion)
