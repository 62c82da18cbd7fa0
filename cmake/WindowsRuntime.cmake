# Everything a Windows program of this build needs beside it, copied into <build>/bin by the target
# zolt_windows_runtime (part of every build) and installed with the programs: Qt's DLLs and the
# plugins ZOLT uses (platforms, image formats, the Windows style), Qt's Chinese texts of the standard
# buttons with a qt.conf that points Qt at them, MinGW-w64's C++ runtime, SQLite, libzip and zlib.

set(ZOLT_QT_BIN ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
set(ZOLT_QT_PLUGINS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
set(ZOLT_QT_TRANSLATIONS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS})

set(ZOLT_RUNTIME_DLLS "")
foreach(module IN ITEMS Core Gui Widgets)
    list(APPEND ZOLT_RUNTIME_DLLS ${ZOLT_QT_BIN}/Qt6${module}.dll)
endforeach()
# The compiler knows where its own runtime lives.
foreach(name IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${name} is")
    endif()
    list(APPEND ZOLT_RUNTIME_DLLS ${path})
endforeach()
foreach(name IN ITEMS libsqlite3-0.dll libzip.dll zlib1.dll)
    string(MAKE_C_IDENTIFIER ${name} variable)
    find_file(ZOLT_DLL_${variable} ${name} PATH_SUFFIXES bin lib REQUIRED)
    list(APPEND ZOLT_RUNTIME_DLLS ${ZOLT_DLL_${variable}})
endforeach()

set(ZOLT_RUNTIME_PLUGINS
    platforms/qwindows.dll platforms/qoffscreen.dll platforms/qminimal.dll
    imageformats/qgif.dll imageformats/qico.dll imageformats/qjpeg.dll
    styles/qwindowsvistastyle.dll)
set(ZOLT_QT_CONF ${CMAKE_BINARY_DIR}/windows/qt.conf)
file(WRITE ${ZOLT_QT_CONF} "[Paths]\nPrefix = .\nPlugins = plugins\nTranslations = translations\n")

# The tests need Qt Test as well; it is not installed.
set(ZOLT_BUILD_DLLS ${ZOLT_RUNTIME_DLLS})
if(ZOLT_BUILD_TESTS)
    list(APPEND ZOLT_BUILD_DLLS ${ZOLT_QT_BIN}/Qt6Test.dll)
endif()

set(bin ${CMAKE_BINARY_DIR}/bin)
set(copies
    COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/translations
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZOLT_BUILD_DLLS} ${ZOLT_QT_CONF} ${bin}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZOLT_QT_TRANSLATIONS}/qtbase_zh_CN.qm ${bin}/translations)
foreach(plugin IN LISTS ZOLT_RUNTIME_PLUGINS)
    get_filename_component(kind ${plugin} DIRECTORY)
    list(APPEND copies
        COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/plugins/${kind}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZOLT_QT_PLUGINS}/${plugin} ${bin}/plugins/${kind})
endforeach()
add_custom_target(zolt_windows_runtime ALL ${copies} COMMENT "Collecting the DLLs and plugins in bin/" VERBATIM)

install(FILES ${ZOLT_RUNTIME_DLLS} ${ZOLT_QT_CONF} DESTINATION .)
install(FILES ${ZOLT_QT_TRANSLATIONS}/qtbase_zh_CN.qm DESTINATION translations)
foreach(plugin IN LISTS ZOLT_RUNTIME_PLUGINS)
    get_filename_component(kind ${plugin} DIRECTORY)
    install(FILES ${ZOLT_QT_PLUGINS}/${plugin} DESTINATION plugins/${kind})
endforeach()
