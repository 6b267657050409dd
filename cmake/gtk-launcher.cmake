# The GTK 3 edition of the launcher (included by cmake/linux.cmake): the GTK layer
# over zelcore, with the pictures and icon set linked in from res/, and a test
# build whose folder commands fail. Kept to what CMake 3.18 offers.

include(${CMAKE_SOURCE_DIR}/cmake/linux-launcher.cmake)

file(GLOB ZEL_GTK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/gtk/*.cpp)
add_library(zelgtk OBJECT ${CMAKE_SOURCE_DIR}/src/ZelMainForm.cpp ${ZEL_GTK_SOURCES})
zel_add_resources(zelgtk)
target_link_libraries(zelgtk PUBLIC zelxdg PkgConfig::ZEL_GTK3 ${CMAKE_DL_LIBS})

# zel_gtk_launcher(<target> <source of GetAppFolder> <output folder>)
function(zel_gtk_launcher target appFolder folder)
  add_executable(${target} ${appFolder})
  target_link_libraries(${target} PRIVATE zelgtk)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ZelProject RUNTIME_OUTPUT_DIRECTORY ${folder})
endfunction()

zel_gtk_launcher(ZelProject ${CMAKE_SOURCE_DIR}/src/xdg/ZelAppFolder.cpp ${CMAKE_BINARY_DIR})
zel_gtk_launcher(ZelProjectFailingCommand ${CMAKE_SOURCE_DIR}/tests/e2e/faults/FailingAppFolder.cpp
                 ${CMAKE_BINARY_DIR}/failing-command)
