# pelora_card: the floating card (model, panel window and the Pelora.Card QML
# module with its view), the palette, the brand images and the symbols,
# shared with the lookup window.
find_package(Qt6 REQUIRED COMPONENTS Network Svg)
find_library(PELORA_CARD_XCB_LIBRARY xcb REQUIRED)

add_library(pelora_card STATIC
    brand_assets.h brand_assets.cpp
    key_texts.h
    card_messages.h card_messages.cpp
    panel_placement.h panel_placement.cpp
    reduce_motion.h reduce_motion.cpp
    quick_renderer.h quick_renderer.cpp
    symbol_images.h symbol_images.cpp
    own_resources_network.h own_resources_network.cpp
    floating_panel.h floating_panel.cpp
    card_panel.h card_panel.cpp)
target_include_directories(pelora_card PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(pelora_card PUBLIC pelora_library Qt6::Gui Qt6::Widgets Qt6::Qml Qt6::Quick
                      Qt6::DBus Qt6::Network Qt6::Svg ${PELORA_CARD_XCB_LIBRARY})

# The card's view and the parts the lookup view shares, with the C++ types
# they use. Loaded from the program's resources, at qrc:/qt/qml/Pelora/Card/.
pelora_qml_files(card_qml qml
    PhraseCard.qml
    CompactPhrase.qml
    ExpandedPhrase.qml
    MessageCard.qml
    CopyMenu.qml
    HoverTip.qml
    InkText.qml
    Mark.qml
    PlainButton.qml
    SelectableText.qml
    Symbol.qml
    SymbolButton.qml)
qt_add_qml_module(pelora_card
    URI Pelora.Card
    VERSION 1.0
    RESOURCE_PREFIX /qt/qml
    NO_PLUGIN
    DEPENDENCIES QtQuick
    SOURCES
        ink.h ink.cpp
        card_model.h card_model.cpp
        view_support.h view_support.cpp
    QML_FILES ${card_qml})

qt_add_resources(pelora_card "pelora_card_resources"
    PREFIX "/pelora/card"
    FILES
        images/pelora.png
        icons/arrow.right.svg
        icons/arrow.turn.down.left.svg
        icons/arrow.up.left.and.arrow.down.right.svg
        icons/arrow.up.right.svg
        icons/bag.svg
        icons/checkmark.circle.fill.svg
        icons/checkmark.svg
        icons/cup.and.saucer.svg
        icons/doc.on.doc.svg
        icons/exclamationmark.circle.svg
        icons/magnifyingglass.svg
        icons/sun.max.svg
        icons/xmark.svg)
