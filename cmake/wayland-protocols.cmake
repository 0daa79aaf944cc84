# The Wayland protocols the Linux program speaks, as C made by
# wayland-scanner: xdg-shell and the viewporter (stable) and fractional
# scale (staging) from the system's wayland-protocols, and layer-shell,
# which Debian does not package, from protocols/ in the tree. The headers
# land in the build folder's wayland-protocols/; the library
# frostvale_wayland_protocols holds the interfaces' tables.
set(FROSTVALE_WAYLAND_PROTOCOLS
    ${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml
    ${WAYLAND_PROTOCOLS_DIR}/stable/viewporter/viewporter.xml
    ${WAYLAND_PROTOCOLS_DIR}/staging/fractional-scale/fractional-scale-v1.xml
    ${CMAKE_SOURCE_DIR}/protocols/wlr-layer-shell-unstable-v1.xml)
set(FROSTVALE_WAYLAND_PROTOCOL_DIR ${CMAKE_BINARY_DIR}/wayland-protocols)
file(MAKE_DIRECTORY ${FROSTVALE_WAYLAND_PROTOCOL_DIR})
set(FROSTVALE_WAYLAND_PROTOCOL_SOURCES)
foreach(xml ${FROSTVALE_WAYLAND_PROTOCOLS})
  get_filename_component(name ${xml} NAME_WE)
  set(header ${FROSTVALE_WAYLAND_PROTOCOL_DIR}/${name}-client-protocol.h)
  set(code ${FROSTVALE_WAYLAND_PROTOCOL_DIR}/${name}-protocol.c)
  add_custom_command(OUTPUT ${header} ${code}
                     COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
                     COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
                     DEPENDS ${xml} VERBATIM)
  list(APPEND FROSTVALE_WAYLAND_PROTOCOL_SOURCES ${header} ${code})
endforeach()
add_library(frostvale_wayland_protocols STATIC ${FROSTVALE_WAYLAND_PROTOCOL_SOURCES})
target_include_directories(frostvale_wayland_protocols PUBLIC ${FROSTVALE_WAYLAND_PROTOCOL_DIR})
