# Third-party code, compiled from the Debian packages that tools/bootstrap.sh
# installed or unpacked: zlib (libz-mingw-w64-dev), minizip (zlib's source
# package), pugixml (its source package, included header-only), GoogleTest
# (googletest), stb (libstb-dev).
# None of it is part of this repository, and our warning flags do not apply to it
# (its headers are system headers).

if(NOT EXISTS ${VELT_DEPS_DIR}/minizip/unzip.c OR NOT EXISTS ${VELT_DEPS_DIR}/pugixml/pugixml.cpp)
  message(FATAL_ERROR "Third-party sources missing in ${VELT_DEPS_DIR}: run tools/bootstrap.sh build")
endif()

find_library(VELT_ZLIB NAMES libz.a z REQUIRED)
find_path(VELT_ZLIB_INCLUDE zlib.h REQUIRED)
add_library(zlib_static INTERFACE)
target_link_libraries(zlib_static INTERFACE ${VELT_ZLIB})
target_include_directories(zlib_static SYSTEM INTERFACE ${VELT_ZLIB_INCLUDE})

# minizip neither throws nor is unwound through (its callbacks are ours and
# throw nothing), so it carries no unwind tables: on Windows the linker keeps
# every function that has an unwind entry, and without one, --gc-sections can
# drop the functions that nothing calls.
add_library(minizip STATIC
  ${VELT_DEPS_DIR}/minizip/ioapi.c
  ${VELT_DEPS_DIR}/minizip/unzip.c
  ${VELT_DEPS_DIR}/minizip/zip.c)
target_include_directories(minizip SYSTEM PUBLIC ${VELT_DEPS_DIR}/minizip)
target_compile_definitions(minizip PUBLIC USE_FILE32API)
target_link_libraries(minizip PUBLIC zlib_static)
target_compile_options(minizip PRIVATE -fno-asynchronous-unwind-tables)

# pugixml in its header-only mode: its functions are inline in the files that
# include it, so a program carries only the ones it calls (compiled once into
# a library, every function would stay in the program, with what they call:
# the C library's float parsing and formatting). Without the parts we never
# use: XPath (and the exceptions that only XPath throws) and the std::string /
# iostream interfaces.
add_library(pugixml INTERFACE)
target_include_directories(pugixml SYSTEM INTERFACE ${VELT_DEPS_DIR}/pugixml)
target_compile_definitions(pugixml INTERFACE PUGIXML_HEADER_ONLY PUGIXML_NO_XPATH PUGIXML_NO_STL PUGIXML_NO_EXCEPTIONS)

add_library(stb INTERFACE)
target_include_directories(stb SYSTEM INTERFACE /usr/include/stb)

set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
