# The Debian packages, built by `cpack -G DEB` from the install rules: one a component
# (cmake/VktPackageNames.cmake), dependencies on system libraries computed from the binaries
# (dpkg-shlibdeps), and the packages' dependencies on each other given here: vkt and VKT load
# the library at run time, which dpkg-shlibdeps cannot see.
include(VktPackageNames)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vkt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The VKT developers")
set(CPACK_PACKAGE_CONTACT ${VKT_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${VKT_PACKAGE_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VKT_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SOURCE vkt)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(exact "(= ${PROJECT_VERSION})")
# Each description: its summary line, this paragraph, then the package's own, lines under 80
# characters (CPack indents them and marks the blank one).
set(about_vkt
    "VKT sends record files and plain files to an institution's central server,\nsigned with the user's RSA key and sealed under a session key, and requests\nfiles back, checked against the server's digest.")

set(CPACK_DEBIAN_LIB_PACKAGE_NAME ${VKT_PACKAGE_LIB})
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
# The loader's cache is brought up to date by dpkg's ldconfig trigger.
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/debian/triggers)
set(CPACK_COMPONENT_LIB_DESCRIPTION
    "secure file transfer with VKT - shared library\n${about_vkt}\n\nThis package holds libVKT32, the library behind the VKT programs: seven C\nfunctions for sessions, sending, requesting and verifying files.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${VKT_PACKAGE_DEV})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${VKT_PACKAGE_LIB} ${exact}")
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "secure file transfer with VKT - development files\n${about_vkt}\n\nThis package holds the header vkt32.h, the development link, the pkg-config\nfile vkt32.pc and the CMake package VKT32 (target VKT32::VKT32).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ${VKT_PACKAGE_TOOLS})
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION net)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${VKT_PACKAGE_LIB} ${exact}")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "secure file transfer with VKT - command-line tools\n${about_vkt}\n\nThis package holds vkt, the command-line client for scripts and batches, and\nvkt-keygen, which makes a user's key pair.")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME ${VKT_PACKAGE_DESKTOP})
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION net)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "${VKT_PACKAGE_LIB} ${exact}")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SUGGESTS "${VKT_PACKAGE_TOOLS}")
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION
    "secure file transfer with VKT - desktop program\n${about_vkt}\n\nThis package holds VKT, the desktop program (in Spanish) through which a\nclerk connects, sends and requests files and reads the day's activity log.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME ${VKT_PACKAGE_SERVER})
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "${VKT_PACKAGE_TOOLS}")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst ${CMAKE_SOURCE_DIR}/packaging/debian/postrm
    ${CMAKE_BINARY_DIR}/packaging/control/conffiles)
set(CPACK_COMPONENT_SERVER_DESCRIPTION
    "secure file transfer with VKT - server\n${about_vkt}\n\nThis package holds vkt-server, the server users' programs connect to, with a\nsystemd service that runs it as its own user in a sandbox.")

include(CPack)
