# The service unit for one install: the template with the install's real
# paths, for the system's service manager or a user's. Lines of the template
# that start with "@system " or "@user " belong to that manager's unit alone.
#
# Run as a script (the unit test does):
#   cmake -DTEMPLATE=rm740-bridge.service.in -DUNIT=out.service -DMANAGER=system|user
#         -DRM740_BRIDGE=/usr/bin/rm740-bridge -DRM740_BRIDGE_CONFIG=/etc/rm740/bridge.conf
#         -P configure-unit.cmake
# or include()d with those variables set (the install does).
foreach(variable TEMPLATE UNIT MANAGER RM740_BRIDGE RM740_BRIDGE_CONFIG)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "configure-unit.cmake needs ${variable}")
    endif()
endforeach()
if(NOT MANAGER MATCHES "^(system|user)$")
    message(FATAL_ERROR "MANAGER is system or user, not ${MANAGER}")
endif()

get_filename_component(RM740_BRIDGE_CONFIG_DIR "${RM740_BRIDGE_CONFIG}" DIRECTORY)

# The other manager's lines go, this one's lose their mark.
if(MANAGER STREQUAL "system")
    set(other user)
else()
    set(other system)
endif()
file(READ "${TEMPLATE}" text)
string(REGEX REPLACE "@${other} [^\n]*\n" "" text "${text}")
string(REPLACE "@${MANAGER} " "" text "${text}")
get_filename_component(work_folder "${UNIT}" DIRECTORY)
file(WRITE "${work_folder}/rm740-bridge.service.kept" "${text}")
configure_file("${work_folder}/rm740-bridge.service.kept" "${UNIT}" @ONLY)
file(REMOVE "${work_folder}/rm740-bridge.service.kept")
