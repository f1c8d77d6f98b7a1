# pelora_include_parts(a.cmake b.cmake …): includes each listed file of the
# current folder that exists, so that the pieces of a subsystem can be added
# one by one.
macro(pelora_include_parts)
    foreach(part ${ARGN})
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${part})
            include(${CMAKE_CURRENT_SOURCE_DIR}/${part})
        endif()
    endforeach()
endmacro()

# pelora_add_child_folders(): adds every direct sub-folder that has a CMakeLists.txt.
function(pelora_add_child_folders)
    file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(child ${children})
        if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()
