# What the builds of the Linux editions share whichever toolkit draws (included
# by cmake/qt-launcher.cmake and cmake/gtk-launcher.cmake): the artwork linked
# into the program, and the launcher with its test build. Kept to what CMake 3.18
# offers.
enable_language(ASM)

# zel_add_resources(<target>): the artwork as read-only data of the target, one
# assembler file that takes in the files of res/ as they are, under the symbols
# src/xdg/Resources.cpp names. The stack stays non-executable. The file is written
# at configure time, so it exists before the target builds.
function(zel_add_resources target)
  set(assembly ${CMAKE_BINARY_DIR}/zel-resources.S)
  set(code "")
  set(depends "")
  foreach(entry banner:banner.jpg buy:buy.png icon:ZelProject.ico)
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 symbol)
    list(GET entry 1 file)
    string(APPEND code
      "  .balign 16\n  .hidden zel_res_${symbol}_begin\n  .hidden zel_res_${symbol}_end\n"
      "  .globl zel_res_${symbol}_begin\n  .globl zel_res_${symbol}_end\n"
      "zel_res_${symbol}_begin:\n  .incbin \"${CMAKE_SOURCE_DIR}/res/${file}\"\nzel_res_${symbol}_end:\n")
    list(APPEND depends ${CMAKE_SOURCE_DIR}/res/${file})
  endforeach()
  # Written only when it changes, so an unchanged file is not assembled again.
  file(WRITE ${assembly}.in
    "  .section .rodata.zel_resources,\"a\",@progbits\n${code}  .section .note.GNU-stack,\"\",@progbits\n")
  configure_file(${assembly}.in ${assembly} COPYONLY)
  set_source_files_properties(${assembly} PROPERTIES LANGUAGE ASM OBJECT_DEPENDS "${depends}")
  target_sources(${target} PRIVATE ${assembly})
endfunction()

# zel_linux_launchers(<toolkit layer>): the launcher, ZelProject, over the
# toolkit's layer (an object library), and the test build whose folder commands
# fail, ZelProjectFailingCommand, in failing-command/ under the same name.
function(zel_linux_launchers layer)
  add_executable(ZelProject ${CMAKE_SOURCE_DIR}/src/xdg/ZelAppFolder.cpp)
  add_executable(ZelProjectFailingCommand ${CMAKE_SOURCE_DIR}/tests/e2e/faults/FailingAppFolder.cpp)
  set_target_properties(ZelProject PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  set_target_properties(ZelProjectFailingCommand PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/failing-command)
  foreach(target ZelProject ZelProjectFailingCommand)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ZelProject)
    target_link_libraries(${target} PRIVATE ${layer})
  endforeach()
endfunction()
