# Run by `cmake --install` (and cpack): the service unit and the place of the
# configuration, for the prefix given then, which may not be the one the
# build was configured with. Needs RM740_UNIT_TEMPLATE, RM740_UNIT_BINDIR and
# RM740_UNIT_WORK; sets RM740_SYSCONF for the configuration's install.

block(SCOPE_FOR VARIABLES PROPAGATE RM740_SYSCONF)

# The configuration lies in the /etc beside a /usr prefix (a package's /etc),
# else under the prefix. (A destination with a variable counts as under the
# prefix, hence "..".)
if(CMAKE_INSTALL_PREFIX MATCHES "^/usr/?$")
    set(RM740_SYSCONF "../etc")
    set(config /etc/rm740/bridge.conf)
else()
    set(RM740_SYSCONF "etc")
    set(config "${CMAKE_INSTALL_PREFIX}/etc/rm740/bridge.conf")
endif()
if(IS_ABSOLUTE "${RM740_UNIT_BINDIR}")
    set(bridge "${RM740_UNIT_BINDIR}/rm740-bridge")
else()
    set(bridge "${CMAKE_INSTALL_PREFIX}/${RM740_UNIT_BINDIR}/rm740-bridge")
endif()

# A prefix in the installing user's home is that user's: the unit goes where
# `systemctl --user` looks for units, the system's manager never reads there.
set(home "$ENV{HOME}")
string(FIND "${CMAKE_INSTALL_PREFIX}/" "${home}/" in_home)
if(NOT home STREQUAL "" AND NOT home STREQUAL "/" AND in_home EQUAL 0)
    set(manager user)
    set(data_home "$ENV{XDG_DATA_HOME}")
    if(data_home STREQUAL "")
        set(data_home "${home}/.local/share")
    endif()
    set(unit_folder "${data_home}/systemd/user")
else()
    set(manager system)
    set(unit_folder "${CMAKE_INSTALL_PREFIX}/lib/systemd/system")
endif()

set(TEMPLATE "${RM740_UNIT_TEMPLATE}")
set(UNIT "${RM740_UNIT_WORK}/${manager}/rm740-bridge.service")
set(MANAGER ${manager})
set(RM740_BRIDGE "${bridge}")
set(RM740_BRIDGE_CONFIG "${config}")
include("${CMAKE_CURRENT_LIST_DIR}/configure-unit.cmake")
file(INSTALL DESTINATION "${unit_folder}" TYPE FILE FILES "${UNIT}")

endblock()
