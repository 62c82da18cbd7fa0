# The Windows installer and portable zip (cpack -G "NSIS;ZIP"), and what the programs carry on
# Windows: the icon and version in their resources, the window program without a console.

# ---- Icon and version resource ----
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZOLT_ICON_SIZES 16 24 32 48 64 128 256)
set(ZOLT_ICON_PNGS "")
foreach(size IN LISTS ZOLT_ICON_SIZES)
    list(APPEND ZOLT_ICON_PNGS ${CMAKE_SOURCE_DIR}/res/icons/zolt-${size}.png)
endforeach()
set(ZOLT_ICO ${CMAKE_BINARY_DIR}/windows/zolt.ico)
add_custom_command(OUTPUT ${ZOLT_ICO}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make-ico.py ${ZOLT_ICO} ${ZOLT_ICON_PNGS}
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-ico.py ${ZOLT_ICON_PNGS}
    COMMENT "Making the Windows icon" VERBATIM)
add_custom_target(zolt_windows_icon DEPENDS ${ZOLT_ICO})

set(ZOLT_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
foreach(program IN ITEMS zolt zolt-report zolt-demo-data)
    set(ZOLT_RC_PROGRAM ${program})
    set(rc ${CMAKE_BINARY_DIR}/windows/${program}.rc)
    configure_file(${CMAKE_SOURCE_DIR}/res/windows/program.rc.in ${rc} @ONLY)
    target_sources(${program} PRIVATE ${rc})
    add_dependencies(${program} zolt_windows_icon)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${ZOLT_ICO})
endforeach()
set_target_properties(zolt PROPERTIES WIN32_EXECUTABLE ON)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/res/templates/ DESTINATION templates FILES_MATCHING PATTERN "*.docx")
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)

# ---- Installer and portable zip ----
set(CPACK_PACKAGE_NAME ZOLT)
set(CPACK_PACKAGE_VENDOR "ZOLT")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "partial-discharge inspection reports from test data sets")
set(CPACK_PACKAGE_FILE_NAME "ZOLT-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "ZOLT")
set(CPACK_PACKAGE_EXECUTABLES "")
set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_STRIP_FILES ON)
# The zip unpacks into one folder that runs from wherever it is.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

set(CPACK_NSIS_PACKAGE_NAME "ZOLT ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "ZOLT ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${ZOLT_ICO})
set(CPACK_NSIS_MUI_UNIICON ${ZOLT_ICO})
set(CPACK_NSIS_INSTALLED_ICON_NAME "zolt.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit Unicode installer: Chinese names in the Start menu need Unicode, and a 64-bit installer
# runs where the 64-bit program runs (also under a Wine without 32-bit support) and writes the
# 64-bit registry view, where Windows lists installed 64-bit programs.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
# ZOLT keeps ZOLT.DB3 in its working folder, and Program Files is not writable: the Start-menu
# entry starts it in the installing user's Documents\ZOLT (SetOutPath gives a shortcut its working
# folder). That folder and what ZOLT wrote there are the user's and stay on uninstalling.
set(ZOLT_NSIS_SHORTCUT "ZOLT 局放检测报告.lnk")
set(CPACK_NSIS_CREATE_ICONS_EXTRA "
  SetShellVarContext current
  CreateDirectory '$DOCUMENTS\\\\ZOLT'
  SetOutPath '$DOCUMENTS\\\\ZOLT'
  StrCmp $SV_ALLUSERS 'AllUsers' 0 +2
    SetShellVarContext all
  CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\${ZOLT_NSIS_SHORTCUT}' '$INSTDIR\\\\zolt.exe' '' '$INSTDIR\\\\zolt.exe' 0
  SetOutPath '$INSTDIR'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "
  Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\${ZOLT_NSIS_SHORTCUT}'")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/WindowsCPackOptions.cmake)
include(CPack)
