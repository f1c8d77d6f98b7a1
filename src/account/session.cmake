add_library(pelora_session STATIC
    companion_session.h companion_session.cpp
    navigation_policy.h navigation_policy.cpp
    sign_in_page.h sign_in_page.cpp)
target_include_directories(pelora_session PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_session PUBLIC pelora_account Qt6::WebEngineWidgets Qt6::Widgets)

# The program loads Qt WebEngine only through this plugin, when sign-in is
# first shown. It sits beside the program in the build, and in the program's
# own library folder once installed.
add_library(pelora_sign_in_plugin MODULE sign_in_plugin.cpp)
target_link_libraries(pelora_sign_in_plugin PRIVATE pelora_session)
set_target_properties(pelora_sign_in_plugin PROPERTIES
    PREFIX "" OUTPUT_NAME pelora-sign-in
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/src/app)
install(TARGETS pelora_sign_in_plugin LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/pelora-companion)
