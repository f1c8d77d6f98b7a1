target_sources(pelora_lookup PRIVATE lookup_phrase.cpp)
