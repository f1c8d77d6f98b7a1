target_sources(pelora_library PRIVATE phrase_store.cpp page_fetch.h page_fetch.cpp)
