# GoogleTest for a cross build, compiled from Debian's source package (googletest installs it
# in /usr/src/googletest) with the cross compiler: the targets GTest::gtest and
# GTest::gtest_main, as find_package(GTest) gives them on Linux. It is built without the
# project's warning flags, which are ours, not its.
set(VKT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")
if(NOT EXISTS ${VKT_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest's sources are missing in ${VKT_GOOGLETEST_SOURCE}: "
                        "install the googletest package (scripts/bootstrap.sh does)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
get_directory_property(vkt_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${VKT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${vkt_saved_options}")
# GoogleTest's own CMakeLists.txt names them GTest::gtest and GTest::gtest_main too.
foreach(target IN ITEMS gtest gtest_main)
    if(NOT TARGET GTest::${target})
        add_library(GTest::${target} ALIAS ${target})
    endif()
endforeach()
