# pelora-devserver: the stand-in Pelora web app (Qt HTTP Server + SQLite).
add_executable(pelora-devserver
    main.cpp
    server_options.h server_options.cpp
    http_exchange.h http_exchange.cpp
    http_router.h http_router.cpp
    body_limited_tcp_server.h body_limited_tcp_server.cpp
    credentials.h credentials.cpp
    database.h database.cpp
    sessions.h sessions.cpp
    saved_phrases.h saved_phrases.cpp
    match_scores.h word_tables.h word_tables.cpp search_terms.h search_terms.cpp
    phrase_collection.h phrase_collection.cpp
    lookup_allowance.h lookup_allowance.cpp
    companion_api.h companion_api.cpp
    html_page.h html_page.cpp
    web_pages.h web_pages.cpp
    demo_accounts.h demo_accounts.cpp)
qt_add_resources(pelora-devserver devserver_cards
    PREFIX /devserver
    FILES phrase_cards.json)
target_link_libraries(pelora-devserver PRIVATE
    Qt6::Core Qt6::Network Qt6::Sql Qt6::HttpServer pelora_lookup pelora_library)
