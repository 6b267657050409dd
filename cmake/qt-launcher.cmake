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

# Qt's own paths, built in as the resource :/qt/etc/qt.conf, which Qt reads before
# any qt.conf beside the program: one planted there could send the plugin search
# anywhere. The paths are Qt's own, as its qmake reports them.
foreach(property IMPORTED_LOCATION IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_NONE)
  if(NOT ZEL_QMAKE AND TARGET Qt${ZEL_QT_MAJOR}::qmake)
    get_target_property(ZEL_QMAKE Qt${ZEL_QT_MAJOR}::qmake ${property})
  endif()
endforeach()
execute_process(COMMAND ${ZEL_QMAKE} -query OUTPUT_VARIABLE ZEL_QMAKE_QUERY RESULT_VARIABLE ZEL_QMAKE_RESULT)
if(NOT ZEL_QMAKE_RESULT EQUAL 0)
  message(FATAL_ERROR "${ZEL_QMAKE} -query failed: Qt's paths cannot be built in")
endif()
if(ZEL_QT_MAJOR EQUAL 5)
  set(ZEL_QML_KEY Qml2Imports)
else()
  set(ZEL_QML_KEY QmlImports)
endif()
set(ZEL_QT_CONF "[Paths]\n")
foreach(pair PREFIX:Prefix DOCS:Documentation HEADERS:Headers LIBS:Libraries LIBEXECS:LibraryExecutables
             BINS:Binaries PLUGINS:Plugins IMPORTS:Imports QML:${ZEL_QML_KEY} ARCHDATA:ArchData DATA:Data
             TRANSLATIONS:Translations EXAMPLES:Examples TESTS:Tests CONFIGURATION:Settings)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 query)
  list(GET pair 1 key)
  if(ZEL_QMAKE_QUERY MATCHES "QT_INSTALL_${query}:([^\n]+)")
    string(APPEND ZEL_QT_CONF "${key}=${CMAKE_MATCH_1}\n")
  endif()
endforeach()
if(NOT ZEL_QT_CONF MATCHES "\nPlugins=/")
  message(FATAL_ERROR "Qt's plugin folder is unknown: ${ZEL_QMAKE} -query gave\n${ZEL_QMAKE_QUERY}")
endif()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/zel-qt-conf/qt.conf CONTENT "${ZEL_QT_CONF}")
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/zel-qt-conf/zel-qt-conf.qrc CONTENT
  "<RCC><qresource prefix=\"/qt/etc\"><file>qt.conf</file></qresource></RCC>\n")

file(GLOB ZEL_QT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/qt/*.cpp)
add_library(zelqt OBJECT ${CMAKE_SOURCE_DIR}/src/ZelMainForm.cpp ${ZEL_QT_SOURCES} ${ZEL_QT_RESOURCES}
            ${CMAKE_BINARY_DIR}/zel-qt-conf/zel-qt-conf.qrc)
set_target_properties(zelqt PROPERTIES AUTORCC ON)
target_link_libraries(zelqt PUBLIC zelxdg Qt${ZEL_QT_MAJOR}::Widgets Qt${ZEL_QT_MAJOR}::DBus ${CMAKE_DL_LIBS})

# zel_qt_launcher(<target> <source of GetAppFolder> <output folder>)
function(zel_qt_launcher target appFolder folder)
  add_executable(${target} ${appFolder})
  target_link_libraries(${target} PRIVATE zelqt)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ZelProject RUNTIME_OUTPUT_DIRECTORY ${folder})
endfunction()

zel_qt_launcher(ZelProject ${CMAKE_SOURCE_DIR}/src/xdg/ZelAppFolder.cpp ${CMAKE_BINARY_DIR})
zel_qt_launcher(ZelProjectFailingCommand ${CMAKE_SOURCE_DIR}/tests/e2e/faults/FailingAppFolder.cpp
                ${CMAKE_BINARY_DIR}/failing-command)
