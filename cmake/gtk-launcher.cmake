# The GTK 3 edition of the launcher (included by cmake/linux.cmake): the GTK layer
# over zelcore, with the pictures and icon set linked in from res/, and a test
# build whose folder commands fail. Kept to what CMake 3.18 offers.

include(${CMAKE_SOURCE_DIR}/cmake/linux-launcher.cmake)

file(GLOB ZEL_GTK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/gtk/*.cpp)
add_library(zelgtk OBJECT ${CMAKE_SOURCE_DIR}/src/ZelMainForm.cpp ${ZEL_GTK_SOURCES})
zel_add_resources(zelgtk)
target_link_libraries(zelgtk PUBLIC zelxdg PkgConfig::ZEL_GTK3)

zel_linux_launchers(zelgtk)

# The C++ runtime is linked in: the toolkit is C (a module of C++ a desktop loads
# brings its own), and loading and binding the shared one at start (the program is
# linked -z now) cost more than the rest of the launcher's own set-up.
foreach(target ZelProject ZelProjectFailingCommand)
  target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--gc-sections)
endforeach()
