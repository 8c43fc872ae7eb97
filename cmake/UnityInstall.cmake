# Installs the shared library, its public headers, a CMake package, a pkg-config file and the tools.
if(NOT TARGET ManageEMCUnity)
  return()
endif()
include(CMakePackageConfigHelpers)

install(TARGETS ManageEMCUnity EXPORT ManageEMCUnityTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# Only the external interface: the session class, the records in its signatures and the exported
# text functions. Message classes and host services stay internal to the library.
set(public_headers unity/ManageEMCUnity.h unity/SessionRecords.h unity/SnapshotRecords.h
                   unity/BlockRecords.h unity/FileRecords.h unity/NfsRecords.h
                   unity/CifsRecords.h unity/HostRecords.h unity/TextUtils.h unity/UnityExport.h)
list(TRANSFORM public_headers PREPEND ${PROJECT_SOURCE_DIR}/)
install(FILES ${public_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/unity)

install(EXPORT ManageEMCUnityTargets NAMESPACE ManageEMCUnity::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ManageEMCUnity)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnityConfig.cmake
     "include(\${CMAKE_CURRENT_LIST_DIR}/ManageEMCUnityTargets.cmake)\n")
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnityConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnityConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnityConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ManageEMCUnity)

configure_file(${PROJECT_SOURCE_DIR}/cmake/ManageEMCUnity.pc.in ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnity.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnity.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

foreach(tool unityctl unity-sim)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
