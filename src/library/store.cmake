target_sources(pelora_library PRIVATE phrase_store.cpp)
