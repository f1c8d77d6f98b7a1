# pelora_include_parts(a.cmake b.cmake …): includes each listed file of the
# current folder. Every listed file is required: a renamed or missing part
# stops the configuration instead of leaving its subsystem out of the build.
macro(pelora_include_parts)
    foreach(part ${ARGN})
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${part})
            message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${part} is listed as a part of this folder "
                                "but does not exist (renamed? update the list in ${CMAKE_CURRENT_LIST_FILE})")
        endif()
        include(${CMAKE_CURRENT_SOURCE_DIR}/${part})
    endforeach()
endmacro()

# pelora_require_targets(<who> targets…): stops the configuration when one of
# the targets is not defined, naming it, instead of letting <who> link a
# plain library name that does not exist.
function(pelora_require_targets who)
    foreach(target ${ARGN})
        if(NOT TARGET ${target})
            message(FATAL_ERROR "${who} needs the target ${target}, which no folder defines")
        endif()
    endforeach()
endfunction()

# pelora_add_child_folders(): adds every direct sub-folder that has a CMakeLists.txt.
function(pelora_add_child_folders)
    file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(child ${children})
        if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()
