# The Windows build, included by the top-level CMakeLists.txt in place of the Linux one:
# VKT32.dll, vkt.exe and, with VKT_BUILD_TESTS, the tests that run under Wine.
#
# Every program and the DLL carry their C and C++ run-time libraries inside (libgcc, libstdc++,
# winpthreads linked statically), so a caller ships VKT32.dll alone: it imports only system
# DLLs (KERNEL32, WS2_32, bcrypt, msvcrt).
add_link_options(-static)
# The programs and VKT32.dll in one folder, as they are shipped: a program finds the DLL next
# to itself.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_subdirectory(lib)
add_subdirectory(rules)
add_subdirectory(tools/common)
add_subdirectory(tools/cli)

if(VKT_BUILD_TESTS)
    enable_testing()
    include(VktCrossGoogleTest)
    # The Linux vkt-server and vkt-keygen the end-to-end tests under Wine talk to: a default
    # preset build of this tree.
    set(VKT_LINUX_TOOLS_DIR "${CMAKE_SOURCE_DIR}/build/default/tools" CACHE PATH
        "Folder with server/vkt-server and keygen/vkt-keygen built for Linux")
    add_subdirectory(tests/windows)
endif()
