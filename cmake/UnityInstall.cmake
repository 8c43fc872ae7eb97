# Install rules by component, one Debian package each (cmake/UnityPackage.cmake):
#   runtime  the shared library under its SONAME
#   dev      headers, the linker name, the CMake package and the pkg-config file
#   tools    unityctl and unity-sim with their manual pages and bash completions

# The external interface: the session class, the records in its signatures and the exported text
# functions. Message classes and host services stay internal to the library. The API reference
# (cmake/UnityDocs.cmake) covers exactly these headers.
set(UNITY_PUBLIC_HEADERS unity/ManageEMCUnity.h unity/SessionRecords.h unity/SnapshotRecords.h
                         unity/BlockRecords.h unity/FileRecords.h unity/NfsRecords.h
                         unity/CifsRecords.h unity/HostRecords.h unity/InventoryRecords.h
                         unity/TextUtils.h unity/UnityExport.h)
list(TRANSFORM UNITY_PUBLIC_HEADERS PREPEND ${PROJECT_SOURCE_DIR}/)

if(TARGET ManageEMCUnity)
  include(CMakePackageConfigHelpers)
  install(TARGETS ManageEMCUnity EXPORT ManageEMCUnityTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
          INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${UNITY_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/unity COMPONENT dev)

  set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ManageEMCUnity)
  install(EXPORT ManageEMCUnityTargets NAMESPACE ManageEMCUnity:: DESTINATION ${cmake_dir}
          COMPONENT dev)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnityConfig.cmake
       "include(\${CMAKE_CURRENT_LIST_DIR}/ManageEMCUnityTargets.cmake)\n")
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnityConfigVersion.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnityConfig.cmake
                ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnityConfigVersion.cmake
          DESTINATION ${cmake_dir} COMPONENT dev)

  configure_file(${PROJECT_SOURCE_DIR}/cmake/ManageEMCUnity.pc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnity.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ManageEMCUnity.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endif()

foreach(tool unityctl unity-sim)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  endif()
  # Written at build time by the tool itself (tools/CMakeLists.txt), except in sanitizer builds.
  if(TARGET ${tool} AND NOT UNITY_SANITIZERS)
    install(FILES ${PROJECT_BINARY_DIR}/tools/${tool}.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
    install(FILES ${PROJECT_BINARY_DIR}/tools/completions/${tool}
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions COMPONENT tools)
  endif()
endforeach()
