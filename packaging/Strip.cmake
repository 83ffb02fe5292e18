# Run by cpack over the files it is about to pack: the programs lose their
# symbols and the .comment and .note sections, as dh_strip does it.
find_program(STRIP strip REQUIRED)
file(GLOB_RECURSE programs LIST_DIRECTORIES false
    "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*"
    "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/libexec/*")
if(NOT programs)
    message(FATAL_ERROR "No programs to strip under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
    execute_process(
        COMMAND ${STRIP} --remove-section=.comment --remove-section=.note --strip-unneeded
                ${program}
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
