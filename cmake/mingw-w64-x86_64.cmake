# CMake toolchain file: Win32 x86-64 with Debian's mingw-w64 (posix threads).
#   cmake -S . -B build-win -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=/path/to/mingw-w64-x86_64.cmake
# Libraries cross-built by setup-deps.sh are looked up in KV_MINGW_PREFIX
# (cache variable, else the environment variable, else ~/.cache/kv-mingw-deps).
# Tests run under Wine + Xvfb through wine-run.sh (CMAKE_CROSSCOMPILING_EMULATOR).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)

if(NOT KV_MINGW_PREFIX)
  if(DEFINED ENV{KV_MINGW_PREFIX})
    set(KV_MINGW_PREFIX "$ENV{KV_MINGW_PREFIX}")
  else()
    set(KV_MINGW_PREFIX "$ENV{HOME}/.cache/kv-mingw-deps")
  endif()
endif()
set(KV_MINGW_PREFIX "${KV_MINGW_PREFIX}" CACHE PATH "Prefix of the cross-built static libraries")
# try_compile projects re-read this file; pass the prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KV_MINGW_PREFIX)

# Search headers, libraries and CMake packages only in the mingw sysroot and
# our prefix, never in the host's /usr (native libogg/libvorbis etc.).
set(CMAKE_FIND_ROOT_PATH "${KV_MINGW_PREFIX}" /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Keep pkg-config (used by some Find modules) away from the host's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${KV_MINGW_PREFIX}/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Debian's mingw zlib ships libz.dll.a next to libz.a; FindZLIB would pick the
# import library and the .exe would then need zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

# Self-contained .exe/.dll: libgcc, libstdc++ and winpthread linked statically
# (otherwise they need libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll;
# -static-libgcc -static-libstdc++ alone still leaves libwinpthread-1.dll).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# add_test(COMMAND <target>) and gtest_discover_tests() run .exe files through this.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
