# Windows build (i686 for the product, x86_64 for the end-to-end tests): one GUI
# executable that needs no DLL beside it.
set(ZEL_JPEG_ROOT "" CACHE PATH "Static JPEG library built by scripts/setup.sh")
if(NOT EXISTS "${ZEL_JPEG_ROOT}/lib/libjpeg.a")
  message(FATAL_ERROR "No static JPEG library in '${ZEL_JPEG_ROOT}': run scripts/setup.sh")
endif()
find_library(ZEL_ZLIB_STATIC NAMES libz.a REQUIRED)

# Same bytes every time: no time stamps, no build paths.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
add_link_options(-static -static-libgcc -static-libstdc++ -municode -mwindows
  -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp -Wl,--gc-sections -s)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  add_link_options(-Wl,--high-entropy-va)
endif()
add_compile_options(-ffunction-sections -fdata-sections)
# Small beats fast here: the program spends its life waiting for clicks.
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

add_library(zelcore STATIC ${ZEL_CORE_SOURCES})
target_include_directories(zelcore PUBLIC ${CMAKE_SOURCE_DIR}/src ${ZEL_JPEG_ROOT}/include)
target_compile_options(zelcore PRIVATE ${ZEL_WARNINGS})
target_link_libraries(zelcore PUBLIC ${ZEL_JPEG_ROOT}/lib/libjpeg.a ${ZEL_ZLIB_STATIC})
# Every throw, the runtime's own included, notes where it was raised (core/ThrowSite).
target_link_options(zelcore INTERFACE -Wl,--wrap=__cxa_throw)

file(GLOB ZEL_WIN_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/*.cpp
  ${CMAKE_SOURCE_DIR}/src/win/*.cpp)
# The screen readers' object answers calls from other processes, which no exception
# may cross: built without exception tables, it is 2.5 KiB smaller.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/win/Accessible.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-exceptions;-fno-asynchronous-unwind-tables")

# The pictures and icon the program carries; a test build may swap in damaged ones.
set(ZEL_RES_DIR "${CMAKE_SOURCE_DIR}/res" CACHE PATH "Folder with banner.jpg, buy.png, ZelProject.ico")

# res_dir: the pictures and icon to carry; an optional third argument is the
# output folder, and ZEL_LAUNCHER_SOURCES may name other sources for a test build.
function(zel_add_launcher target res_dir)
  # A resource script of the target's own, so each can depend on its own pictures.
  set(rc ${CMAKE_BINARY_DIR}/${target}.rc)
  file(CONFIGURE OUTPUT ${rc} CONTENT "#include \"${CMAKE_SOURCE_DIR}/res/ZelProject.rc\"\n")
  if(NOT ZEL_LAUNCHER_SOURCES)
    set(ZEL_LAUNCHER_SOURCES ${ZEL_WIN_SOURCES})
  endif()
  add_executable(${target} WIN32 ${ZEL_LAUNCHER_SOURCES} ${rc})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ZelProject)
  if(ARGC GREATER 2)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARGV2})
  endif()
  target_compile_options(${target} PRIVATE ${ZEL_WARNINGS})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} PRIVATE zelcore ole32 gdi32 user32)
  set_property(TARGET ${target} APPEND PROPERTY COMPILE_OPTIONS $<$<COMPILE_LANGUAGE:RC>:-I${res_dir}>)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${res_dir}/banner.jpg;${res_dir}/buy.png;${res_dir}/ZelProject.ico;${res_dir}/ZelProject.manifest;${CMAKE_SOURCE_DIR}/res/ZelProject.rc")
endfunction()

zel_add_launcher(ZelProject ${ZEL_RES_DIR})

# Test builds for the end-to-end tests, each carrying one damaged picture.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  foreach(damage picture banner-header banner-pixels)
    set(dir ${CMAKE_BINARY_DIR}/damaged-${damage}-res)
    add_custom_command(OUTPUT ${dir}/banner.jpg ${dir}/buy.png ${dir}/ZelProject.ico ${dir}/ZelProject.manifest
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/damage_picture.py ${ZEL_RES_DIR} ${dir} ${damage}
      DEPENDS ${CMAKE_SOURCE_DIR}/cmake/damage_picture.py ${ZEL_RES_DIR}/banner.jpg ${ZEL_RES_DIR}/buy.png
              ${ZEL_RES_DIR}/ZelProject.ico ${ZEL_RES_DIR}/ZelProject.manifest
      VERBATIM)
    zel_add_launcher(ZelProjectDamaged-${damage} ${dir} ${CMAKE_BINARY_DIR}/damaged-${damage})
  endforeach()

  # A test build whose application folder cannot be found: its folder commands
  # raise an error with a cause, as a handler's failure would.
  set(ZEL_LAUNCHER_SOURCES ${ZEL_WIN_SOURCES})
  list(FILTER ZEL_LAUNCHER_SOURCES EXCLUDE REGEX "/src/win/ZelAppFolder\\.cpp$")
  list(APPEND ZEL_LAUNCHER_SOURCES ${CMAKE_SOURCE_DIR}/tests/e2e/faults/FailingAppFolder.cpp)
  zel_add_launcher(ZelProjectFailingCommand ${ZEL_RES_DIR} ${CMAKE_BINARY_DIR}/failing-command)
  unset(ZEL_LAUNCHER_SOURCES)

  # A test build that finds no SetDefaultDllDirectories, as on a Windows 7 without
  # its loader update, so it takes the older loader's way to the system folder.
  zel_add_launcher(ZelProjectOldLoader ${ZEL_RES_DIR} ${CMAKE_BINARY_DIR}/old-loader)
  target_compile_definitions(ZelProjectOldLoader PRIVATE ZEL_TEST_LOADER_WITHOUT_SEARCH_FLAGS)
endif()

enable_testing()
foreach(sub tests/pe tests/release tests/e2e bench)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${sub}/CMakeLists.txt)
    add_subdirectory(${sub})
  endif()
endforeach()
