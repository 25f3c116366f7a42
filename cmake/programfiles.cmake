# What a program brings besides itself: its manual page and its bash completion.
find_program(RM740_GZIP gzip REQUIRED)

# rm740_gzipped(TARGET SOURCE COMPRESSED): SOURCE gzipped into COMPRESSED
# (reproducibly: no name, no time) by TARGET, which every build makes.
function(rm740_gzipped target source compressed)
    get_filename_component(folder ${compressed} DIRECTORY)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${RM740_GZIP} -9 -n -c ${source} > ${compressed}
        DEPENDS ${source}
        COMMENT "Compressing ${source}")
    add_custom_target(${target} ALL DEPENDS ${compressed})
endfunction()

# rm740_add_manual(PAGE): the manual page PAGE (a roff file in the calling
# folder, such as rm740ctl.1), gzipped as Debian keeps them, into the build
# tree's man/man1 (where the tests look pages up) and installed.
function(rm740_add_manual page)
    set(compressed ${PROJECT_BINARY_DIR}/man/man1/${page}.gz)
    string(REPLACE "." "_" target ${page})
    rm740_gzipped(${target}_manual ${CMAKE_CURRENT_SOURCE_DIR}/${page} ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# rm740_add_completion(PROGRAM): PROGRAM.bash-completion of the calling
# folder, installed where bash-completion looks for PROGRAM's.
function(rm740_add_completion program)
    install(FILES ${program}.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME ${program})
endfunction()
