# pelora_instance: one companion per learner (a local socket that later
# launches hand their arguments to) and the command-line options.
add_library(pelora_instance STATIC
    ${CMAKE_CURRENT_LIST_DIR}/single_instance.h ${CMAKE_CURRENT_LIST_DIR}/single_instance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/command_line.h ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp)
target_include_directories(pelora_instance PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_instance PUBLIC Qt6::Core Qt6::Network QCoro6::Core QCoro6::Network)
