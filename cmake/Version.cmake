# The product's version and revision live in src/platform/version.h, where the programs show
# them; the build and the package read them from there.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../src/platform/version.h _dialtally_version_lines
     REGEX "kProduct(Version|Revision)\\[\\] = ")
foreach(_line IN LISTS _dialtally_version_lines)
    if(_line MATCHES "kProductVersion\\[\\] = \"([^\"]+)\"")
        set(DIALTALLY_VERSION ${CMAKE_MATCH_1})
    elseif(_line MATCHES "kProductRevision\\[\\] = \"([^\"]*)\"")
        set(DIALTALLY_REVISION ${CMAKE_MATCH_1})
    endif()
endforeach()
if(NOT DIALTALLY_VERSION)
    message(FATAL_ERROR "no version in src/platform/version.h")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_LIST_DIR}/../src/platform/version.h)
