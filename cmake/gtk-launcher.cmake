# The GTK 3 edition of the launcher (included by cmake/linux.cmake): the GTK layer
# over zelcore, with the pictures and icon set linked in from res/, and a test
# build whose folder commands fail. Kept to what CMake 3.18 offers.

# The artwork as read-only data of the program: one assembler file that takes in
# the files as they are. The stack stays non-executable.
enable_language(ASM)
set(ZEL_GTK_RESOURCES ${CMAKE_BINARY_DIR}/zel-resources.S)
set(ZEL_GTK_RESOURCE_ASM "")
set(ZEL_GTK_RESOURCE_DEPENDS "")
foreach(entry banner:banner.jpg buy:buy.png icon:ZelProject.ico)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 symbol)
  list(GET entry 1 file)
  string(APPEND ZEL_GTK_RESOURCE_ASM
    "  .balign 16\n  .hidden zel_res_${symbol}_begin\n  .hidden zel_res_${symbol}_end\n"
    "  .globl zel_res_${symbol}_begin\n  .globl zel_res_${symbol}_end\n"
    "zel_res_${symbol}_begin:\n  .incbin \"${CMAKE_SOURCE_DIR}/res/${file}\"\nzel_res_${symbol}_end:\n")
  list(APPEND ZEL_GTK_RESOURCE_DEPENDS ${CMAKE_SOURCE_DIR}/res/${file})
endforeach()
file(WRITE ${ZEL_GTK_RESOURCES}.in
  "  .section .rodata.zel_resources,\"a\",@progbits\n${ZEL_GTK_RESOURCE_ASM}  .section .note.GNU-stack,\"\",@progbits\n")
configure_file(${ZEL_GTK_RESOURCES}.in ${ZEL_GTK_RESOURCES} COPYONLY)
set_source_files_properties(${ZEL_GTK_RESOURCES} PROPERTIES LANGUAGE ASM OBJECT_DEPENDS "${ZEL_GTK_RESOURCE_DEPENDS}")

file(GLOB ZEL_GTK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/gtk/*.cpp)
add_library(zelgtk OBJECT ${CMAKE_SOURCE_DIR}/src/ZelMainForm.cpp ${ZEL_GTK_SOURCES} ${ZEL_GTK_RESOURCES})
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
