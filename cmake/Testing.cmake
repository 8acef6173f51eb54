# GoogleTest: Debian's packaged library natively; built from its sources in a cross build,
# where no packaged library for the target exists.
if(CMAKE_CROSSCOMPILING)
    if(NOT TARGET GTest::gtest_main)
        set(PELLAVANE_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources for cross builds")
        set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory(${PELLAVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        # Recent GoogleTest sources name their targets GTest:: themselves.
        foreach(library gtest gtest_main gmock)
            if(NOT TARGET GTest::${library})
                add_library(GTest::${library} ALIAS ${library})
            endif()
        endforeach()
    endif()
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Registers a GoogleTest executable with CTest. Cross builds list the tests when they run,
# through the emulator, instead of at build time.
function(pellavane_add_gtest target)
    if(CMAKE_CROSSCOMPILING)
        gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 ${ARGN})
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 ${ARGN})
    endif()
endfunction()
