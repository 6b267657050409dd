# Host build: the platform-free library and its unit tests, under sanitizers.
option(ZEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
find_package(GTest REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)

if(ZEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The host is Linux: what the Linux editions share (src/xdg) is tested here too.
file(GLOB ZEL_XDG_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/xdg/*.cpp)
list(REMOVE_ITEM ZEL_XDG_SOURCES ${CMAKE_SOURCE_DIR}/src/xdg/ZelAppFolder.cpp)
# Speaks to the X server: built with the editions and proven end to end.
list(REMOVE_ITEM ZEL_XDG_SOURCES ${CMAKE_SOURCE_DIR}/src/xdg/FrameExtents.cpp)
add_library(zelcore STATIC ${ZEL_CORE_SOURCES} ${ZEL_XDG_SOURCES})
target_include_directories(zelcore PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(zelcore PRIVATE ${ZEL_WARNINGS})
target_link_libraries(zelcore PUBLIC JPEG::JPEG ZLIB::ZLIB)
# Every throw notes where it was raised (core/ThrowSite).
target_link_options(zelcore INTERFACE -Wl,--wrap=__cxa_throw)

enable_testing()
file(GLOB ZEL_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
# Beside them: the main window's unit (its definition and handlers, with the Linux
# application folder) and the Windows shell call's text, which needs no <windows.h>.
add_executable(zel_unit_tests ${ZEL_UNIT_TESTS} ${CMAKE_SOURCE_DIR}/src/ZelMainForm.cpp
  ${CMAKE_SOURCE_DIR}/src/xdg/ZelAppFolder.cpp ${CMAKE_SOURCE_DIR}/src/win/ShellCall.cpp)
target_compile_options(zel_unit_tests PRIVATE ${ZEL_WARNINGS})
target_compile_definitions(zel_unit_tests PRIVATE ZEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(zel_unit_tests PRIVATE zelcore GTest::gtest_main)
# Exported symbols, so a test can name the function a code address lies in (dladdr).
target_link_options(zel_unit_tests PRIVATE -rdynamic)
include(GoogleTest)
gtest_discover_tests(zel_unit_tests DISCOVERY_TIMEOUT 60)

# Native tools and checks kept beside their sources (icon writer, fuzzing), when present.
foreach(sub tools tests/fuzz)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${sub}/CMakeLists.txt)
    add_subdirectory(${sub})
  endif()
endforeach()

# The house's floors: no include runs from a lower layer of src/ up to a higher one.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME layers COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/layers/check_layers.py ${CMAKE_SOURCE_DIR}/src)
