# The Windows build made on Linux with mingw-w64 and a static Qt (scripts/build-windows).
# Include it before any target when WIN32 AND CMAKE_CROSSCOMPILING, in place of
# find_package(SQLite3) and find_package(GTest): it defines SQLite::SQLite3 and GTest::gtest,
# GTest::gtest_main from sources, and links every executable into one self-contained exe, so
# that zufusen.exe runs from any folder with no DLLs beside it.

# SQLite from the amalgamation that scripts/windows-deps makes from Debian's sqlite3 source.
set(ZU_SQLITE_DIR "" CACHE PATH "Folder holding sqlite3.c and sqlite3.h")
if(NOT EXISTS "${ZU_SQLITE_DIR}/sqlite3.c")
    message(FATAL_ERROR "ZU_SQLITE_DIR='${ZU_SQLITE_DIR}' holds no sqlite3.c; scripts/windows-deps makes one")
endif()
enable_language(C)
add_library(zu_sqlite3 STATIC "${ZU_SQLITE_DIR}/sqlite3.c")
target_include_directories(zu_sqlite3 SYSTEM PUBLIC "${ZU_SQLITE_DIR}")
# No extensions are loaded; leaving them out also drops the dlopen stand-ins.
target_compile_definitions(zu_sqlite3 PRIVATE SQLITE_OMIT_LOAD_EXTENSION SQLITE_THREADSAFE=1)
add_library(SQLite::SQLite3 ALIAS zu_sqlite3)
set_target_properties(zu_sqlite3 PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

# GoogleTest from Debian's sources: there is no mingw build of it to find.
set(ZU_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory("${ZU_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
set_target_properties(gtest gtest_main PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
endif()

# One exe: libgcc, libstdc++ and winpthread linked in rather than loaded as DLLs that a
# Windows machine does not have.
add_link_options(-static -static-libgcc -static-libstdc++)

# Qt's CMake links the windows platform plugin into every exe that uses Qt6::Gui, with its
# import: sources need no Q_IMPORT_PLUGIN.

# ctest runs the test exes under wine, each in the prefix tests/wine/run-exe keeps.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run-exe")
