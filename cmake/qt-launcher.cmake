# The Linux edition of the launcher (included by cmake/linux.cmake): the Qt layer
# over zelcore, with the pictures and icon set linked in from res/, and a test
# build whose folder commands fail.

# The artwork as read-only data of the program: one assembler file that takes in
# the files as they are. The stack stays non-executable.
enable_language(ASM)
set(ZEL_QT_RESOURCES ${CMAKE_BINARY_DIR}/zel-resources.S)
set(ZEL_QT_RESOURCE_FILES banner:banner.jpg buy:buy.png icon:ZelProject.ico)
set(ZEL_QT_RESOURCE_ASM "")
set(ZEL_QT_RESOURCE_DEPENDS "")
foreach(entry ${ZEL_QT_RESOURCE_FILES})
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 symbol)
  list(GET entry 1 file)
  string(APPEND ZEL_QT_RESOURCE_ASM
    "  .balign 16\n  .hidden zel_res_${symbol}_begin\n  .hidden zel_res_${symbol}_end\n"
    "  .globl zel_res_${symbol}_begin\n  .globl zel_res_${symbol}_end\n"
    "zel_res_${symbol}_begin:\n  .incbin \"${CMAKE_SOURCE_DIR}/res/${file}\"\nzel_res_${symbol}_end:\n")
  list(APPEND ZEL_QT_RESOURCE_DEPENDS ${CMAKE_SOURCE_DIR}/res/${file})
endforeach()
file(GENERATE OUTPUT ${ZEL_QT_RESOURCES} CONTENT
  "  .section .rodata.zel_resources,\"a\",@progbits\n${ZEL_QT_RESOURCE_ASM}  .section .note.GNU-stack,\"\",@progbits\n")
set_source_files_properties(${ZEL_QT_RESOURCES} PROPERTIES LANGUAGE ASM OBJECT_DEPENDS "${ZEL_QT_RESOURCE_DEPENDS}")

file(GLOB ZEL_QT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/qt/*.cpp)
list(REMOVE_ITEM ZEL_QT_SOURCES ${CMAKE_SOURCE_DIR}/src/qt/ZelAppFolder.cpp)
add_library(zelqt OBJECT ${CMAKE_SOURCE_DIR}/src/ZelMainForm.cpp ${ZEL_QT_SOURCES} ${ZEL_QT_RESOURCES})
target_link_libraries(zelqt PUBLIC zelcore Qt${ZEL_QT_MAJOR}::Widgets Qt${ZEL_QT_MAJOR}::DBus ${CMAKE_DL_LIBS})

# zel_qt_launcher(<target> <source of GetAppFolder> <output folder>)
function(zel_qt_launcher target appFolder folder)
  add_executable(${target} ${appFolder})
  target_link_libraries(${target} PRIVATE zelqt)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ZelProject RUNTIME_OUTPUT_DIRECTORY ${folder})
endfunction()

zel_qt_launcher(ZelProject ${CMAKE_SOURCE_DIR}/src/qt/ZelAppFolder.cpp ${CMAKE_BINARY_DIR})
zel_qt_launcher(ZelProjectFailingCommand ${CMAKE_SOURCE_DIR}/tests/e2e/faults/FailingAppFolder.cpp
                ${CMAKE_BINARY_DIR}/failing-command)
