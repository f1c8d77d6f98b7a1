# pelora_lookup_ui: the lookup window and the Pelora.Lookup QML module with its view.
add_library(pelora_lookup_ui STATIC
    lookup_placement.h lookup_placement.cpp
    phrase_lookup_window.h phrase_lookup_window.cpp)
target_include_directories(pelora_lookup_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_lookup_ui PUBLIC pelora_lookup pelora_card)

# Loaded from the program's resources, at qrc:/qt/qml/Pelora/Lookup/. The
# module knows the lookup model from the lookup library's meta-types
# (lookup_view_types.h).
qt_extract_metatypes(pelora_lookup)
pelora_qml_files(lookup_qml qml
    PhraseLookupView.qml
    LookupHeader.qml
    SearchField.qml
    ErrorLine.qml
    SignedOutSection.qml
    LoadingSection.qml
    InvitationSection.qml
    SuggestionChip.qml
    ResultSection.qml
    LookupFooter.qml
    FooterButton.qml
    FooterText.qml
    CopyButton.qml
    SaveButtons.qml
    SavedLabel.qml
    SavingLabel.qml
    LookupHint.qml
    ActionButton.qml
    Eyebrow.qml
    Keycap.qml
    Spinner.qml)
qt_add_qml_module(pelora_lookup_ui
    URI Pelora.Lookup
    VERSION 1.0
    RESOURCE_PREFIX /qt/qml
    NO_PLUGIN
    DEPENDENCIES QtQuick Pelora.Card
    SOURCES
        lookup_presentation.h lookup_presentation.cpp
        lookup_view_types.h
    QML_FILES ${lookup_qml})
