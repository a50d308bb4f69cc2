# Third-party code, compiled from the Debian packages that tools/bootstrap.sh
# installed or unpacked: zlib and minizip (zlib's source package), pugixml
# (its source package, included header-only), GoogleTest (googletest), stb
# (libstb-dev).
# None of it is part of this repository, and our warning flags do not apply to it
# (its headers are system headers).

if(NOT EXISTS ${VELT_DEPS_DIR}/zlib/inflate.c OR NOT EXISTS ${VELT_DEPS_DIR}/minizip/unzip.c OR
   NOT EXISTS ${VELT_DEPS_DIR}/pugixml/pugixml.cpp)
  message(FATAL_ERROR "Third-party sources missing in ${VELT_DEPS_DIR}: run tools/bootstrap.sh build")
endif()

# zlib without its gz* file functions (nothing reads or writes .gz files),
# compiled as our code is: for size, each function in a section of its own,
# without unwind tables (see minizip below). A program that only inflates
# then carries inflate and crc32 alone, about 18 KB; Debian's prebuilt
# libz-mingw-w64 (-O2, whole objects, unwind tables) put 36 KB into Setup.exe
# and DuiLibu.dll.
set(VELT_ZLIB_DIR ${VELT_DEPS_DIR}/zlib)
add_library(zlib_static STATIC
  ${VELT_ZLIB_DIR}/adler32.c ${VELT_ZLIB_DIR}/compress.c ${VELT_ZLIB_DIR}/crc32.c ${VELT_ZLIB_DIR}/deflate.c
  ${VELT_ZLIB_DIR}/infback.c ${VELT_ZLIB_DIR}/inffast.c ${VELT_ZLIB_DIR}/inflate.c ${VELT_ZLIB_DIR}/inftrees.c
  ${VELT_ZLIB_DIR}/trees.c ${VELT_ZLIB_DIR}/uncompr.c ${VELT_ZLIB_DIR}/zutil.c)
target_include_directories(zlib_static SYSTEM PUBLIC ${VELT_ZLIB_DIR})
target_compile_options(zlib_static PRIVATE -fno-asynchronous-unwind-tables)
# crc32's tables (5 KB on i686, 9 KB on x86_64, which no compressor shrinks)
# are computed at the first call instead of carried (zlib's
# DYNAMIC_CRC_TABLE; C11 atomics make that first call safe on any thread).
# The file keeps its data in .bss: MinGW's GCC gives a zero-initialised
# variable a section with contents, zeros in the file, under -fdata-sections.
target_compile_definitions(zlib_static PRIVATE DYNAMIC_CRC_TABLE)
set_source_files_properties(${VELT_ZLIB_DIR}/crc32.c PROPERTIES COMPILE_OPTIONS -fno-data-sections)

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
