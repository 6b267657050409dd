# The Linux edition of the launcher (included by cmake/linux.cmake): the Qt layer
# over zelcore, with the pictures and icon set linked in from res/, and a test
# build whose folder commands fail.

include(${CMAKE_SOURCE_DIR}/cmake/linux-launcher.cmake)

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
add_library(zelqt OBJECT ${CMAKE_SOURCE_DIR}/src/ZelMainForm.cpp ${ZEL_QT_SOURCES}
            ${CMAKE_BINARY_DIR}/zel-qt-conf/zel-qt-conf.qrc)
set_target_properties(zelqt PROPERTIES AUTORCC ON)
zel_add_resources(zelqt)
target_link_libraries(zelqt PUBLIC zelxdg Qt${ZEL_QT_MAJOR}::Widgets Qt${ZEL_QT_MAJOR}::DBus)

zel_linux_launchers(zelqt)
