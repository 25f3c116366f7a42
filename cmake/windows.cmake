# The Windows build, cross-built with mingw-w64 against a Qt for Windows.
# Every program and DLL lands in bin/, as they sit side by side once installed.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

# The compiler's runtime DLLs, which the programs need beside them.
set(RM740_MINGW_RUNTIME_DIRS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}")
        # The posix compiler does not know where the thread library's DLL is.
        set(found /usr/x86_64-w64-mingw32/lib/${dll})
    endif()
    if(NOT EXISTS "${found}")
        message(FATAL_ERROR "${dll} not found (is mingw-w64's runtime installed?)")
    endif()
    set(RM740_MINGW_RUNTIME_${dll} "${found}")
    get_filename_component(folder "${found}" DIRECTORY)
    list(APPEND RM740_MINGW_RUNTIME_DIRS "${folder}")
endforeach()
list(REMOVE_DUPLICATES RM740_MINGW_RUNTIME_DIRS)
set(RM740_QT_WINDOWS "${QT6_INSTALL_PREFIX}")

# Cross-built: CTest runs each program under Wine, in a prefix of this build's own.
if(CMAKE_CROSSCOMPILING)
    find_program(RM740_WINE wine)
    if(RM740_WINE)
        set(wine_path "Z:${RM740_QT_WINDOWS}/bin")
        foreach(folder ${RM740_MINGW_RUNTIME_DIRS})
            string(APPEND wine_path ";Z:${folder}")
        endforeach()
        set(WINE_PREFIX ${PROJECT_BINARY_DIR}/wineprefix)
        set(WINE_PATH "${wine_path}")
        set(WINE_PLUGINS "Z:${RM740_QT_WINDOWS}/plugins")
        configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run.sh
                       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                        WORLD_READ WORLD_EXECUTE
                       @ONLY)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run.sh)
    else()
        message(STATUS "Wine not found: the tests are built but CTest cannot run them")
    endif()
endif()

# rm740_windows_resources(TARGET DESCRIPTION [ICON FILE]): the program's
# version information and, given one, its icon, compiled into the .exe.
function(rm740_windows_resources target description)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "ICON" "")
    set(RM740_RC_NAME ${target})
    set(RM740_RC_DESCRIPTION "${description}")
    set(RM740_RC_ICON "")
    if(arg_ICON)
        set(RM740_RC_ICON "1 ICON \"${arg_ICON}\"")
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/windows-resources.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    if(arg_ICON)
        # windres does not tell CMake that the icon is an input.
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${arg_ICON})
    endif()
endfunction()
