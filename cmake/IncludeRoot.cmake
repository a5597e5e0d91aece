# Each library sees the headers of the libraries it links, and no others. Its folder is reached as
# "<folder>/header.h" only through an include root of its own: a folder in the build tree that
# holds a link to src/<folder>. A header of a library that is not linked is then not found, and a
# wrong include fails to build instead of working by accident.
#   dialtally_include_root(dialtally_log log)
function(dialtally_include_root target folder)
    set(root ${CMAKE_BINARY_DIR}/include-roots/${folder})
    file(MAKE_DIRECTORY ${root})
    if(NOT EXISTS ${root}/${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()
