# pelora_lookup_ui: the lookup window and its QML view.
add_library(pelora_lookup_ui STATIC
    lookup_presentation.h lookup_presentation.cpp
    lookup_placement.h lookup_placement.cpp
    phrase_lookup_window.h phrase_lookup_window.cpp)
target_include_directories(pelora_lookup_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_lookup_ui PUBLIC pelora_lookup pelora_card)

qt_add_resources(pelora_lookup_ui "pelora_lookup_ui_resources"
    PREFIX "/pelora/lookup"
    FILES
        qml/PhraseLookupView.qml
        qml/ActionButton.qml
        qml/Eyebrow.qml
        qml/FooterText.qml
        qml/Keycap.qml
        qml/Spinner.qml
        qml/SuggestionChip.qml)
