# Where a Windows build puts its programs: every program and test in <build>/bin, beside the DLLs,
# plugins and translations that cmake/WindowsRuntime.cmake collects there, so that each runs from
# there as it would on Windows (under Wine here). Installed, they sit flat in one folder, as Windows
# programs do. Included before the targets are made.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_INSTALL_BINDIR .)
# The C++ runtime of MinGW-w64 is shipped as DLLs beside the programs (Qt's DLLs use the same).
add_compile_definitions(UNICODE _UNICODE)

# Built here for Windows, the tests run under Wine in a prefix of the build's own.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(ZOLT_WINE NAMES wine)
    if(ZOLT_WINE)
        set(ZOLT_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
        configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                       WORLD_READ WORLD_EXECUTE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
    endif()
endif()
