# Installation beyond the executables (desktop entry, icons) and the Debian package.
# The executables install themselves from src/app and tools.

set(ZOLT_APP_ID io.github.zolt.ZOLT)

install(FILES ${CMAKE_SOURCE_DIR}/res/${ZOLT_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size IN ITEMS 16 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/res/icons/zolt-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${ZOLT_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zolt)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/res/templates/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zolt/templates FILES_MATCHING PATTERN "*.docx")

set(CPACK_PACKAGE_NAME zolt)
set(CPACK_PACKAGE_VENDOR "ZOLT")
set(CPACK_PACKAGE_CONTACT "ZOLT developers <zolt-dev@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "partial-discharge inspection reports from test data sets")
set(CPACK_PACKAGE_DESCRIPTION
    "ZOLT lists the records of a partial-discharge test data set (an SQLite database with a \
picture folder per detection method: US, TEV, HFCT), lets the engineer tick the records that \
matter and writes a Word report (.docx or .doc) with the inspection's basic information, the \
measured values and their waveform, PRPD and PRPS pictures. zolt-report writes the same report \
without a window; zolt-demo-data makes sample data sets.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries come from dpkg-shlibdeps; what it cannot see is named here: Qt's own
# Chinese texts of the standard buttons, loaded at start-up.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# Chinese glyphs in the window, and xdg-open for showing the finished report.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils")
include(CPack)

# The README's screenshots (scripts/screenshots.sh); not installed.
if(TARGET zolt_testsupport)
    add_subdirectory(${CMAKE_SOURCE_DIR}/tools/zolt-screenshot ${CMAKE_BINARY_DIR}/tools/zolt-screenshot)
endif()

# The package test builds its own package with this cpack.
if(TARGET package_deb)
    target_compile_definitions(package_deb PRIVATE ZOLT_CPACK_COMMAND="${CMAKE_CPACK_COMMAND}")
endif()
