# pelora_gzip(<file> <variable>): compresses a copy of <file> in the current
# binary folder at build time, without name or time stamp (the same input
# always gives the same bytes, as Debian asks), and sets <variable> to the
# compressed file.
function(pelora_gzip file variable)
    get_filename_component(name "${file}" NAME)
    set(copy "${CMAKE_CURRENT_BINARY_DIR}/${name}")
    add_custom_command(OUTPUT "${copy}.gz"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different "${file}" "${copy}"
        COMMAND gzip -9 --no-name --keep --force "${copy}"
        DEPENDS "${file}"
        VERBATIM)
    set(${variable} "${copy}.gz" PARENT_SCOPE)
endfunction()
