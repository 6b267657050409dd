# What the builds of the Linux editions share whichever toolkit draws (included
# by cmake/qt-launcher.cmake and cmake/gtk-launcher.cmake): the artwork linked
# into the program. Kept to what CMake 3.18 offers.
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

