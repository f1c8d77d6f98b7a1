add_library(pelora_updates STATIC
    ${CMAKE_CURRENT_LIST_DIR}/companion_updater.h ${CMAKE_CURRENT_LIST_DIR}/companion_updater.cpp
    ${CMAKE_CURRENT_LIST_DIR}/update_dialog.h ${CMAKE_CURRENT_LIST_DIR}/update_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/update_feed.h ${CMAKE_CURRENT_LIST_DIR}/update_feed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_fetcher.h ${CMAKE_CURRENT_LIST_DIR}/feed_fetcher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/updates_log.h ${CMAKE_CURRENT_LIST_DIR}/updates_log.cpp
    ${CMAKE_CURRENT_LIST_DIR}/version_number.h ${CMAKE_CURRENT_LIST_DIR}/version_number.cpp)
target_include_directories(pelora_updates PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_updates PUBLIC
    pelora_schedule pelora_library Qt6::Widgets Qt6::Network QCoro6::Core QCoro6::Network)
