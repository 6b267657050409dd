# The Linux edition: the launcher in Qt Widgets (Qt 5.15 shipped, Qt 6 built and
# tested) over the same platform-free core, hardened as a distribution would build it.
set(ZEL_QT_MAJOR "" CACHE STRING "Qt major version of the Linux edition (5 or 6)")
if(NOT ZEL_QT_MAJOR MATCHES "^[56]$")
  message(FATAL_ERROR "ZEL_QT_MAJOR must be 5 or 6, not '${ZEL_QT_MAJOR}'")
endif()

find_package(Qt${ZEL_QT_MAJOR} REQUIRED COMPONENTS Widgets DBus)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)

# Position-independent executables, full RELRO, stack protector, fortified calls
# (which need optimisation, so not in a Debug build), no run path to plant libraries in.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported(LANGUAGES C CXX)
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

enable_testing()

# The launcher itself and its test builds (ZelProject, ZelProjectFailingCommand).
include(${CMAKE_SOURCE_DIR}/cmake/qt-launcher.cmake OPTIONAL)

# The desktop entry, icons and metainfo shipped beside it, and their validation.
add_subdirectory(res/linux)

# The bare Qt window the benchmark measures the launcher against, and its driver.
add_subdirectory(bench/linux)

foreach(sub tests/elf tests/release tests/linux)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${sub}/CMakeLists.txt)
    add_subdirectory(${sub})
  endif()
endforeach()
