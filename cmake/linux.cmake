# The Linux edition: the launcher in Qt Widgets (Qt 5.15, Qt 6) or in GTK 3 over the
# same platform-free core, hardened as a distribution would build it.
set(ZEL_TOOLKIT "qt" CACHE STRING "Toolkit of the Linux edition (qt or gtk)")
if(ZEL_TOOLKIT STREQUAL "gtk")
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(ZEL_GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0 harfbuzz x11 xinerama)
elseif(ZEL_TOOLKIT STREQUAL "qt")
  set(ZEL_QT_MAJOR "" CACHE STRING "Qt major version of the Linux edition (5 or 6)")
  if(NOT ZEL_QT_MAJOR MATCHES "^[56]$")
    message(FATAL_ERROR "ZEL_QT_MAJOR must be 5 or 6, not '${ZEL_QT_MAJOR}'")
  endif()
  find_package(Qt${ZEL_QT_MAJOR} REQUIRED COMPONENTS Widgets DBus)
else()
  message(FATAL_ERROR "ZEL_TOOLKIT must be qt or gtk, not '${ZEL_TOOLKIT}'")
endif()
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)

# Full RELRO, stack protector, fortified calls (which need optimisation, so not in a
# Debug build), no run path to plant libraries in. The Qt editions are position-independent
# executables (Qt built with reduced relocations asks for position-independent code). The
# GTK edition, the release's program, is a fixed-address executable: shared-mime-info before
# 2.1 (Debian 11, Ubuntu 20.04) types every position-independent executable a shared library,
# and the file managers then do not run it. Its libraries, stack and heap stay randomised.
include(CheckPIESupported)
check_pie_supported(LANGUAGES C CXX)
if(ZEL_TOOLKIT STREQUAL "gtk")
  # OFF, not unset: CMake then links with -no-pie (the compiler's default is PIE).
  set(CMAKE_POSITION_INDEPENDENT_CODE OFF)
  add_compile_options(-fno-pie)
else()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
set(CMAKE_SKIP_RPATH ON)
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
add_compile_options(${ZEL_WARNINGS} -fstack-protector-strong
  "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
add_link_options(-Wl,-z,relro,-z,now -Wl,-z,noexecstack -Wl,--as-needed)
# Same bytes from any checkout folder.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)

add_library(zelcore STATIC ${ZEL_CORE_SOURCES})
target_include_directories(zelcore PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zelcore PUBLIC JPEG::JPEG ZLIB::ZLIB)
# Every throw, the runtime's own included, notes where it was raised (core/ThrowSite).
target_link_options(zelcore INTERFACE -Wl,--wrap=__cxa_throw)

# What the Linux editions share whatever toolkit draws (src/xdg): the program's path
# as bytes, the children's environment, xdg-open, the frame a window manager gives. The application folder is linked
# into each launcher on its own, so a test build can swap in a failing one.
file(GLOB ZEL_XDG_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/xdg/*.cpp)
list(REMOVE_ITEM ZEL_XDG_SOURCES ${CMAKE_SOURCE_DIR}/src/xdg/ZelAppFolder.cpp)
add_library(zelxdg STATIC ${ZEL_XDG_SOURCES})
# xcb: the window manager asked for the frame (xdg/FrameExtents), whichever toolkit.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZEL_XCB REQUIRED IMPORTED_TARGET xcb)
target_link_libraries(zelxdg PUBLIC zelcore ${CMAKE_DL_LIBS} PkgConfig::ZEL_XCB)

enable_testing()

# The launcher itself and its test builds (ZelProject, ZelProjectFailingCommand).
include(${CMAKE_SOURCE_DIR}/cmake/${ZEL_TOOLKIT}-launcher.cmake OPTIONAL)

# The program alone, as the Debian 11 build root builds it for the release: that root
# holds no tools for the desktop files, the benchmark or the tests.
option(ZEL_PROGRAM_ONLY "Configure the launcher alone: no desktop files, benchmark or tests" OFF)
if(ZEL_PROGRAM_ONLY)
  return()
endif()

# The desktop entry, icons and metainfo shipped beside it, and their validation.
add_subdirectory(res/linux)

# The bare window (same toolkit) the benchmark measures the launcher against, and its driver.
add_subdirectory(bench/linux)

foreach(sub tests/elf tests/release tests/linux tests/roots)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${sub}/CMakeLists.txt)
    add_subdirectory(${sub})
  endif()
endforeach()
