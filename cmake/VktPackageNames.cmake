# The Debian packages and the install component each is made of. The library's package is
# named after its SONAME (libVKT32.so.1: libvkt32-1).
set(VKT_PACKAGE_COMPONENTS lib dev tools server)
if(VKT_BUILD_CLIENT)
    list(APPEND VKT_PACKAGE_COMPONENTS desktop)
endif()
set(VKT_PACKAGE_LIB libvkt32-${PROJECT_VERSION_MAJOR})
set(VKT_PACKAGE_DEV libvkt32-dev)
set(VKT_PACKAGE_TOOLS vkt)
set(VKT_PACKAGE_SERVER vkt-server)
set(VKT_PACKAGE_DESKTOP vkt-desktop)
