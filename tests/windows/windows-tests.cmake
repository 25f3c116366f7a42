# The suites of the Windows build: those that need nothing of Linux (no
# pseudo-terminal, no bridge, no Linux tools). CTest runs each under Wine
# (cmake/windows.cmake), in the build's own prefix, whose registry holds the
# settings store the tests write.
set(tests ${PROJECT_SOURCE_DIR}/tests)

add_library(rm740testsupport STATIC
    ${tests}/support/testsettings.h ${tests}/support/testsettings.cpp
    ${tests}/support/fakeprojector.h ${tests}/support/fakeprojector.cpp
    ${tests}/support/simulatorprocess.h ${tests}/support/simulatorprocess.cpp
    ${tests}/support/childprocess.h
    ${tests}/support/tabledata.h ${tests}/support/tabledata.cpp
)
target_include_directories(rm740testsupport PUBLIC ${tests})
target_link_libraries(rm740testsupport PUBLIC rm740core rm740link rm740sim Qt6::Test Qt6::Network)
set_source_files_properties(${tests}/support/simulatorprocess.cpp PROPERTIES
    COMPILE_DEFINITIONS RM740_SIM_PATH="$<TARGET_FILE:rm740-sim>")

add_library(rm740testwidgets STATIC
    ${tests}/support/modalwatcher.h ${tests}/support/modalwatcher.cpp
    ${tests}/support/controls.h ${tests}/support/controls.cpp
)
target_link_libraries(rm740testwidgets PUBLIC rm740testsupport Qt6::Widgets)

# One suite a row: its name, GUI when it opens windows (offscreen), then the
# tables of tests/data it reads, all separated by colons.
set(RM740_WINDOWS_TESTS
    tst_monitorrendering
    tst_linksettings
    tst_telnetcodec
    tst_catalogue::catalogue-basic.tsv:catalogue-expand.tsv:catalogue-read.tsv
    tst_paneltable::panel-groups.tsv:panel-buttons.tsv:panel-repeat.tsv
    tst_replyinterpretation
    tst_protocol
    tst_projectormodel
    tst_simulatorparts
    tst_exchangering
    tst_exchangelogmodel:GUI
    tst_form1:GUI:panel-buttons.tsv
    tst_statusview:GUI
    tst_holdrepeat:GUI:panel-buttons.tsv
    tst_form2:GUI
    tst_form3:GUI
    tst_exchangelog:GUI
    tst_ctlparts
)

foreach(row IN LISTS RM740_WINDOWS_TESTS)
    string(REPLACE ":" ";" fields "${row}")
    list(POP_FRONT fields name kind)
    qt_add_executable(${name} ${tests}/${name}.cpp)
    target_link_libraries(${name} PRIVATE rm740testsupport)
    if(kind STREQUAL "GUI")
        target_link_libraries(${name} PRIVATE rm740gui rm740testwidgets)
    endif()
    if(fields)
        list(TRANSFORM fields PREPEND ${tests}/data/)
        qt_add_resources(${name} ${name}_tables PREFIX "/tables" BASE ${tests}/data FILES ${fields})
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false" TIMEOUT 300)
endforeach()
target_link_libraries(tst_ctlparts PRIVATE rm740ctlcore)
# On Windows the settings store is one registry key for every process of the
# prefix (on Linux each suite has a folder of its own): the suites that write
# it take turns, or one clears the port another has just mapped.
set_tests_properties(tst_linksettings tst_form1 tst_statusview tst_holdrepeat tst_form2 tst_form3 tst_exchangelog
                     PROPERTIES RESOURCE_LOCK rm740-settings-store)

# The drill: the Windows programs under Wine against the Linux simulator
# (RM740_LINUX_SIM, built by /usr's CMake into build/ unless given), on a
# network port and on COM1 mapped to a pseudo-terminal. One at a time: it
# restarts the prefix's wineserver to map COM1.
set(RM740_LINUX_SIM "${PROJECT_SOURCE_DIR}/build/sim/rm740-sim" CACHE FILEPATH
    "The Linux rm740-sim that the Wine drill talks to")
qt_add_executable(tst_panelonnetwork ${tests}/windows/tst_panelonnetwork.cpp)
target_link_libraries(tst_panelonnetwork PRIVATE rm740testsupport rm740gui rm740testwidgets)
if(RM740_WINE)
    add_test(NAME tst_wine_drill
             COMMAND ${tests}/windows/wine-drill.sh ${CMAKE_CROSSCOMPILING_EMULATOR} ${WINE_PREFIX}
                     ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} ${RM740_LINUX_SIM})
    set_tests_properties(tst_wine_drill PROPERTIES TIMEOUT 600 RUN_SERIAL ON SKIP_RETURN_CODE 77)
    add_dependencies(tst_panelonnetwork rm740-control rm740ctl)
endif()

# rm740ctl.exe stopped by Ctrl+C, Ctrl+Break and the console's close.
qt_add_executable(tst_consoleevents ${tests}/windows/tst_consoleevents.cpp)
target_link_libraries(tst_consoleevents PRIVATE Qt6::Test Qt6::Network)
add_dependencies(tst_consoleevents rm740ctl)
add_test(NAME tst_consoleevents COMMAND tst_consoleevents)
