# VKT32.dll, from the same objects as libVKT32.so, included by lib/CMakeLists.txt on Windows.
# VKT32.def names its only exports, the seven VKT functions; DllMain (load.cpp) starts the
# runtime in each process that loads it. The import library libVKT32.dll.a comes with it for
# callers that link rather than load.
add_library(VKT32 SHARED)
foreach(area IN LISTS VKT32_OBJECT_LIBS)
    target_sources(VKT32 PRIVATE $<TARGET_OBJECTS:${area}>)
endforeach()
target_sources(VKT32 PRIVATE load.cpp VKT32.def)
target_include_directories(VKT32 PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/include)
set_target_properties(VKT32 PROPERTIES PREFIX "" OUTPUT_NAME VKT32)
# The .def names the functions undecorated; on i686 the linker resolves each to its @n
# symbol, which it reports unless told that this is meant.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(VKT32 PRIVATE -Wl,--enable-stdcall-fixup)
endif()
target_link_options(VKT32 PRIVATE -Wl,--no-undefined)
target_link_libraries(VKT32 PRIVATE ${VKT_SYSTEM_LIBS})
