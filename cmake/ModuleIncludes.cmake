# Module walls. Code includes another module's header as "module/Header.h". Each library gets an
# include root of its own in the build tree holding a single link, <root>/<module> -> src/<module>,
# and exposes only that root; a target sees its own root and those of the libraries it links.
# An #include of a module the target does not link therefore finds no file and fails to compile.
function(zolt_module_includes target module)
    set(root ${CMAKE_BINARY_DIR}/include/${module})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${module} ${root}/${module} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
endfunction()
