# The views' QML modules are built into ${CMAKE_BINARY_DIR}/qml/<URI as a
# path>, where qmllint finds them (scripts/lint-qml).
set(QT_QML_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/qml)

# pelora_qml_files(<variable> <folder> a.qml b.qml …): sets <variable> to the
# listed files of <folder>, each to be placed at the root of its QML module
# (where the module's own files find each other), not under <folder>.
function(pelora_qml_files variable folder)
    set(files)
    foreach(name ${ARGN})
        set_source_files_properties(${folder}/${name} PROPERTIES QT_RESOURCE_ALIAS ${name})
        list(APPEND files ${folder}/${name})
    endforeach()
    set(${variable} ${files} PARENT_SCOPE)
endfunction()
