# letterfold_install_gzipped(<target> DESTINATION <dir> FILES <file>...)
#
# Compresses each file at build time (the target is part of "all") and
# installs it as <name>.gz in <dir>. gzip -9n: Debian asks for the highest
# level, and leaving the name and time stamp out of the header makes the same
# source give the same bytes on every build.
include_guard(GLOBAL)

find_program(GZIP gzip REQUIRED)

function(letterfold_install_gzipped target)
    cmake_parse_arguments(ARG "" "DESTINATION" "FILES" ${ARGN})
    set(outputs)
    foreach(file IN LISTS ARG_FILES)
        cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
        cmake_path(GET file FILENAME name)
        set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
        add_custom_command(OUTPUT ${output}
            COMMAND ${GZIP} -9n -c ${file} > ${output}
            DEPENDS ${file}
            VERBATIM)
        list(APPEND outputs ${output})
    endforeach()
    add_custom_target(${target} ALL DEPENDS ${outputs})
    install(FILES ${outputs} DESTINATION ${ARG_DESTINATION})
endfunction()
