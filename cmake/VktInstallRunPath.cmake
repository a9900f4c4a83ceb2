# VKT_INSTALL_RPATH: the run path that lets an installed program find libVKT32 in the installed
# library folder. Empty when that folder is one the loader searches anyway (a /usr install, as
# the packages are), else relative to the programs' folder, so the tree can be moved.
file(RELATIVE_PATH vkt_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
if(CMAKE_INSTALL_FULL_LIBDIR IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES
   OR CMAKE_INSTALL_FULL_LIBDIR IN_LIST CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES)
    set(VKT_INSTALL_RPATH "")
else()
    set(VKT_INSTALL_RPATH "$ORIGIN/${vkt_bin_to_lib}")
endif()
