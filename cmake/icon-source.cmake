# The program's icon file built into the Linux program: res/frostvale.ico as
# a byte array (host::icon_file), made again whenever the file changes.
set(FROSTVALE_ICON_FILE ${CMAKE_SOURCE_DIR}/res/frostvale.ico)
set(FROSTVALE_ICON_SOURCE ${CMAKE_BINARY_DIR}/frostvale_icon.cpp)
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${FROSTVALE_ICON_FILE})
file(READ ${FROSTVALE_ICON_FILE} icon_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," icon_bytes "${icon_hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
       icon_bytes "${icon_bytes}")
file(CONFIGURE OUTPUT ${FROSTVALE_ICON_SOURCE} CONTENT
"// Made by cmake/icon-source.cmake from res/frostvale.ico: do not edit.
#include \"host/x11/window_icon.h\"

namespace host {

const uint8_t icon_file[] = {
${icon_bytes}
};
const size_t icon_file_size = sizeof icon_file;

}  // namespace host
")
