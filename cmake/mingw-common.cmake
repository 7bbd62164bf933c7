# Cross build of the Windows program with Debian's MinGW-w64, for the
# architecture ZEL_MINGW_ARCH set by mingw-x86_64.cmake or mingw-i686.cmake.
# ZEL_MINGW_THREADS picks the compiler's thread model: "posix" (the default)
# for the test builds, whose GoogleTest needs std::mutex; "win32" for release
# builds, which then need no GetTickCount64 and so start on Windows XP.
if(NOT DEFINED ZEL_MINGW_THREADS)
  set(ZEL_MINGW_THREADS posix)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ZEL_MINGW_ARCH})
set(CMAKE_C_COMPILER ${ZEL_MINGW_ARCH}-w64-mingw32-gcc-${ZEL_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${ZEL_MINGW_ARCH}-w64-mingw32-g++-${ZEL_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${ZEL_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZEL_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
