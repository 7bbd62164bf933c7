# The cross tree: the Win32 layer, Zel32.exe with the files shipped beside it,
# and the tests that run under Wine in the sandboxed machine.

file(GLOB ZEL_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
add_library(zel_win32 STATIC ${ZEL_WIN32_SOURCES})
target_link_libraries(zel_win32 PUBLIC zel_core winmm lz32 shell32 ole32)
target_compile_options(zel_win32 PRIVATE ${ZEL_WARNINGS})
target_compile_definitions(zel_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
target_compile_definitions(zel_core PUBLIC UNICODE _UNICODE)

# The windows of the program, shared by Zel32.exe and the test programs.
file(GLOB ZEL_UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/*.cpp)
add_library(zel_ui STATIC ${ZEL_UI_SOURCES})
target_link_libraries(zel_ui PUBLIC zel_win32 comctl32 comdlg32 shell32 shlwapi gdi32 user32 ole32 oleaut32 uuid winmm)
target_compile_options(zel_ui PRIVATE ${ZEL_WARNINGS})

file(GLOB ZEL_APP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/app/*.cpp)
enable_language(RC)
add_executable(Zel32 WIN32 ${ZEL_APP_SOURCES} ${CMAKE_SOURCE_DIR}/src/app/Zel32.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/app/Zel32.rc PROPERTIES OBJECT_DEPENDS
                            ${CMAKE_SOURCE_DIR}/src/app/Zel32.manifest)
target_link_libraries(Zel32 PRIVATE zel_ui)
target_compile_options(Zel32 PRIVATE ${ZEL_WARNINGS})
target_link_options(Zel32 PRIVATE -static -static-libgcc -static-libstdc++ -municode -mwindows)

set(ZEL_BIN ${CMAKE_BINARY_DIR}/bin)
set_target_properties(Zel32 PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZEL_BIN})

# Shipped beside the exe: the program information file of the MS-DOS-mode
# extraction, the default settings and the help.
add_custom_command(
  OUTPUT ${ZEL_BIN}/ZEL32.PIF
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZEL_BIN}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/mkpif.py ${ZEL_BIN}/ZEL32.PIF
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/mkpif.py)
add_custom_command(
  OUTPUT ${ZEL_BIN}/Zel32.INI
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/dist/Zel32.INI ${ZEL_BIN}/Zel32.INI
  DEPENDS ${CMAKE_SOURCE_DIR}/dist/Zel32.INI)
file(GLOB ZEL_HELP_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*.html)
add_custom_command(
  OUTPUT ${ZEL_BIN}/Zel.chm
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZEL_BIN}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/build_help.py ${CMAKE_SOURCE_DIR}/help
          ${CMAKE_BINARY_DIR}/help-work ${ZEL_BIN}/Zel.chm
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/build_help.py ${ZEL_HELP_PAGES}
  COMMENT "Compiling the help")
add_custom_target(zel_support_files ALL DEPENDS ${ZEL_BIN}/ZEL32.PIF ${ZEL_BIN}/Zel32.INI ${ZEL_BIN}/Zel.chm)
add_dependencies(Zel32 zel_support_files)

option(ZEL_BUILD_TESTS "Build the tests that run under Wine" ON)
if(ZEL_BUILD_TESTS AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/fixtures ${CMAKE_BINARY_DIR}/tests/fixtures)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/wine ${CMAKE_BINARY_DIR}/tests/wine)
  add_subdirectory(${CMAKE_SOURCE_DIR}/bench ${CMAKE_BINARY_DIR}/bench)
endif()
