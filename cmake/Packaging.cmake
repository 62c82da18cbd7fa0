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

# ---- Debian documentation: changelog and copyright ----
# res/debian/changelog is kept in Debian's changelog format; the package carries it compressed
# without a time stamp (gzip -9n), as Debian's policy asks.
set(ZOLT_CHANGELOG ${CMAKE_SOURCE_DIR}/res/debian/changelog)
set(ZOLT_DOC_BUILD_DIR ${CMAKE_BINARY_DIR}/doc)
find_program(ZOLT_GZIP gzip)
if(ZOLT_GZIP)
    add_custom_command(
        OUTPUT ${ZOLT_DOC_BUILD_DIR}/changelog.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${ZOLT_DOC_BUILD_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy ${ZOLT_CHANGELOG} ${ZOLT_DOC_BUILD_DIR}/changelog
        COMMAND ${ZOLT_GZIP} -9nf ${ZOLT_DOC_BUILD_DIR}/changelog
        DEPENDS ${ZOLT_CHANGELOG}
        COMMENT "Compressing the changelog"
        VERBATIM)
    add_custom_target(zolt_changelog ALL DEPENDS ${ZOLT_DOC_BUILD_DIR}/changelog.gz)
    install(FILES ${ZOLT_DOC_BUILD_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zolt)
elseif(NOT WIN32)
    message(WARNING "gzip not found: the package will lack its changelog and manual pages")
endif()
install(FILES ${CMAKE_SOURCE_DIR}/res/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zolt)

# ---- Manual pages ----
# help2man makes the pages of zolt-report and zolt-demo-data from their own --help and --version,
# so that an option added to a program appears in its page with the next build; res/man/<program>.h2m
# adds what --help does not say (examples, exit status, files). The window program zolt has no
# options and no --help: its page is res/man/zolt.h2m alone, given to help2man with the version and
# the synopsis line "zolt". res/man/data-set.h2m, the data set's layout, is shared by all three.
# The date in the pages is the newest changelog entry's, so a rebuild makes the same pages.
find_program(ZOLT_HELP2MAN help2man)
find_program(ZOLT_DPKG_PARSECHANGELOG dpkg-parsechangelog)
if(ZOLT_HELP2MAN AND ZOLT_GZIP)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZOLT_CHANGELOG})
    set(ZOLT_MAN_DATE "")
    if(ZOLT_DPKG_PARSECHANGELOG)
        execute_process(COMMAND ${ZOLT_DPKG_PARSECHANGELOG} -l ${ZOLT_CHANGELOG} -S Timestamp
                        OUTPUT_VARIABLE ZOLT_MAN_DATE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
    if(NOT ZOLT_MAN_DATE MATCHES "^[0-9]+$")
        string(TIMESTAMP ZOLT_MAN_DATE "%s" UTC)
    endif()
    set(ZOLT_MAN_DIR ${CMAKE_BINARY_DIR}/man)
    set(ZOLT_H2M_DIR ${CMAKE_SOURCE_DIR}/res/man)
    set(ZOLT_MAN_PAGES "")
    foreach(program IN ITEMS zolt zolt-report zolt-demo-data)
        if(program STREQUAL "zolt")
            # No program to ask: help2man runs "cmake -E echo Usage: zolt" for the synopsis.
            set(source ${CMAKE_COMMAND})
            set(asking "--version-string=zolt ${PROJECT_VERSION}" "--help-option=-E echo Usage: zolt")
            set(program_dependency "")
        else()
            set(source $<TARGET_FILE:${program}>)
            set(asking "")
            set(program_dependency ${program})
        endif()
        set(page ${ZOLT_MAN_DIR}/${program}.1)
        add_custom_command(
            OUTPUT ${page}.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${ZOLT_MAN_DIR}
            COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ZOLT_MAN_DATE} QT_QPA_PLATFORM=offscreen
                    ${ZOLT_HELP2MAN} --locale=C.UTF-8 --no-info --section=1 ${asking}
                    --include=${ZOLT_H2M_DIR}/${program}.h2m --include=${ZOLT_H2M_DIR}/data-set.h2m
                    --output=${page} ${source}
            COMMAND ${ZOLT_GZIP} -9nf ${page}
            DEPENDS ${program_dependency} ${ZOLT_H2M_DIR}/${program}.h2m ${ZOLT_H2M_DIR}/data-set.h2m
            COMMENT "Making the manual page of ${program}"
            VERBATIM)
        list(APPEND ZOLT_MAN_PAGES ${page}.gz)
    endforeach()
    add_custom_target(zolt_man ALL DEPENDS ${ZOLT_MAN_PAGES})
    install(FILES ${ZOLT_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(NOT WIN32)
    message(WARNING "help2man not found: the package will lack its manual pages")
endif()

set(CPACK_PACKAGE_NAME zolt)
set(CPACK_PACKAGE_VENDOR "ZOLT")
set(CPACK_PACKAGE_CONTACT "ZOLT developers <zolt-dev@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "partial-discharge inspection reports from test data sets")
# The long description as the package shows it: lines under 80 columns, paragraphs apart (CPack
# turns an empty line into Debian's " .").
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "ZOLT writes Word reports of partial-discharge inspections of electrical"
    "equipment. An inspection instrument leaves a test data set: an SQLite"
    "database with a picture folder per detection method (US, TEV, HFCT)."
    "ZOLT lists the records of the data set, lets the engineer tick the ones"
    "that matter and writes a report (.docx or .doc) with the inspection's"
    "basic information, the measured values and their waveform, PRPD and PRPS"
    "pictures."
    ""
    "zolt-report writes the same report without a window, for batch use;"
    "zolt-demo-data makes sample test data sets.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries come from dpkg-shlibdeps; what it cannot see is named here: Qt's own
# Chinese texts of the standard buttons, loaded at start-up, and the image-format plugins that read
# TIFF and WebP pictures.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, qt6-image-formats-plugins")
# Chinese glyphs in the window, and xdg-open for showing the finished report. The window's X11
# platform plugin (libqxcb.so) comes with libqt6gui6 itself on Debian 12 (qt6-qpa-plugins holds only
# the VNC and touch plugins and is recommended by libqt6gui6), so the window needs nothing more.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils")
include(CPack)

# ---- Hardening of the installed programs, as Debian builds its packages ----
# They resolve all their symbols at start and keep the relocation tables read-only (relro, bindnow),
# and they and the project's libraries they link are built with checked string and memory functions
# and stack protection (lintian's hardening checks). The checked functions need optimisation, so
# Debug builds and the sanitizer and fuzz builds (which check more) go without them.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(ZOLT_PACKAGED_PROGRAMS zolt zolt-report zolt-demo-data)
    foreach(program IN LISTS ZOLT_PACKAGED_PROGRAMS)
        target_link_options(${program} PRIVATE LINKER:-z,relro,-z,now)
    endforeach()
    if(NOT ZOLT_SANITIZE AND NOT ZOLT_FUZZ)
        # The programs and every library of this project they link, directly or not.
        set(hardened "")
        set(pending ${ZOLT_PACKAGED_PROGRAMS})
        while(pending)
            list(POP_FRONT pending target)
            if(NOT TARGET ${target} OR target IN_LIST hardened)
                continue()
            endif()
            get_target_property(imported ${target} IMPORTED)
            if(imported)
                continue()
            endif()
            list(APPEND hardened ${target})
            get_target_property(links ${target} LINK_LIBRARIES)
            if(links)
                list(APPEND pending ${links})
            endif()
        endwhile()
        set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
        foreach(target IN LISTS hardened)
            target_compile_options(${target} PRIVATE -fstack-protector-strong
                                   "$<${optimised}:-U_FORTIFY_SOURCE>" "$<${optimised}:-D_FORTIFY_SOURCE=2>")
        endforeach()
    endif()
endif()

# The README's screenshots (scripts/screenshots.sh); not installed.
if(TARGET zolt_testsupport_prompts)
    add_subdirectory(${CMAKE_SOURCE_DIR}/tools/zolt-screenshot ${CMAKE_BINARY_DIR}/tools/zolt-screenshot)
endif()

# The package test builds its own package with this cpack.
if(TARGET package_deb)
    target_compile_definitions(package_deb PRIVATE ZOLT_CPACK_COMMAND="${CMAKE_CPACK_COMMAND}")
endif()
