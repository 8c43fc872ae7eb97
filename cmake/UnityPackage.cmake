# Debian packages by CPack (`make package`), one per install component (cmake/UnityInstall.cmake):
#   libmanageemcunity<SOVERSION>  the run-time library, named after its SONAME
#   libmanageemcunity-dev         headers, CMake package, pkg-config file
#   manageemcunity-tools          unityctl, unity-sim, their manual pages and bash completions
# Versions come from the project version; dependencies on Debian libraries from dpkg-shlibdeps.
# Each component's description: its first line is the package summary.
if(NOT TARGET ManageEMCUnity)
  return()
endif()
get_target_property(unity_soversion ManageEMCUnity SOVERSION)
set(unity_runtime_package libmanageemcunity${unity_soversion})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME manageemcunity)
set(CPACK_PACKAGE_VENDOR "ManageEMCUnity developers")
set(CPACK_PACKAGE_CONTACT "ManageEMCUnity developers <manageemcunity@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime dev tools)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${unity_runtime_package})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# A shlibs file, so packages built against the library depend on this package, and ldconfig
# triggers (added by CPack for a library under /usr/lib).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "Client library for the EMC Unity REST management interface
libManageEMCUnity manages an EMC Unity storage array over its REST interface (JSON over
HTTPS): sessions, system information, snapshots, replication, block and file exposure,
NFS exports, CIFS shares and host objects.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libmanageemcunity-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${unity_runtime_package} (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION "Development files for libManageEMCUnity
Headers, the CMake package (find_package(ManageEMCUnity), target
ManageEMCUnity::ManageEMCUnity) and the pkg-config file (ManageEMCUnity).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME manageemcunity-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION admin)
# unityctl runs on the packaged shared library, which dpkg-shlibdeps finds in the build tree.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${unity_runtime_package} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/unity)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "EMC Unity command-line client and array simulator
unityctl manages an EMC Unity array from the command line; unity-sim simulates the
array's REST interface on 127.0.0.1 for tests and integrations.")

include(CPack)
