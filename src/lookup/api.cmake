target_sources(pelora_lookup PRIVATE
    phrase_lookup_api.h
    lookup_log.h lookup_log.cpp
    companion_phrase_api.h companion_phrase_api.cpp
    phrase_lookup_model.h phrase_lookup_model.cpp)
