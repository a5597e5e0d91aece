# Fuzz targets over the parsers and the analysis, and their replay in the test suite.
#
# With DIALTALLY_FUZZ (clang only) every object of the project is built with coverage
# instrumentation and AddressSanitizer + UndefinedBehaviorSanitizer, and each fuzz target becomes a
# libFuzzer executable fuzz_<name>. In every build, the same source also becomes fuzz_replay_<name>:
# a plain executable that feeds each file of the target's seed corpus and saved regression inputs
# to the fuzz target once, registered as the test fuzz_replay_<name>.
#   dialtally_add_fuzzer(adapterline SOURCES fuzz_adapterline.cpp LIBS dialtally_log)

option(DIALTALLY_FUZZ "Build the libFuzzer targets (needs CMAKE_CXX_COMPILER=clang++)" OFF)

if(DIALTALLY_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "DIALTALLY_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    if(DIALTALLY_SANITIZE)
        message(FATAL_ERROR "DIALTALLY_FUZZ brings its own sanitizers; leave DIALTALLY_SANITIZE off")
    endif()
    set(DIALTALLY_FUZZ_SANITIZERS address,undefined)
    add_compile_options(-fsanitize=fuzzer-no-link,${DIALTALLY_FUZZ_SANITIZERS}
        -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=${DIALTALLY_FUZZ_SANITIZERS})
endif()

function(dialtally_add_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    set(dirs ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name} ${CMAKE_CURRENT_SOURCE_DIR}/regressions/${name})

    set(replay fuzz_replay_${name})
    add_executable(${replay} ${ARG_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/replay_main.cpp)
    target_link_libraries(${replay} PRIVATE ${ARG_LIBS})
    target_include_directories(${replay} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${replay} COMMAND ${replay} ${dirs})
    set_tests_properties(${replay} PROPERTIES TIMEOUT 300 ENVIRONMENT "LC_ALL=C.UTF-8")

    if(DIALTALLY_FUZZ)
        set(fuzzer fuzz_${name})
        add_executable(${fuzzer} ${ARG_SOURCES})
        target_compile_options(${fuzzer} PRIVATE -fsanitize=fuzzer)
        target_link_options(${fuzzer} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${fuzzer} PRIVATE ${ARG_LIBS})
        target_include_directories(${fuzzer} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    endif()
endfunction()
