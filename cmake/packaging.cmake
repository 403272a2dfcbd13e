# Packages for hosts: the CMake package (find_package(tovra)), the
# pkg-config file and the CPack packages (a .deb of the Linux build, a zip
# of each Windows build). Make the packages with
#   cpack --config <build>/CPackConfig.cmake
# which writes them into <build>/packages.
include(CMakePackageConfigHelpers)

set(tovra_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tovra)
if(WIN32)
  set(TOVRA_CONFIG_WINDOWS TRUE)
  set(TOVRA_CONFIG_LOCATION ${CMAKE_INSTALL_BINDIR}/TOVRA.dll)
  set(TOVRA_CONFIG_SONAME "")
else()
  set(TOVRA_CONFIG_WINDOWS FALSE)
  set(TOVRA_CONFIG_LOCATION ${CMAKE_INSTALL_LIBDIR}/libtovra.so.${PROJECT_VERSION})
  set(TOVRA_CONFIG_SONAME libtovra.so.${PROJECT_VERSION_MAJOR})
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/tovraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/tovraConfig.cmake
  INSTALL_DESTINATION ${tovra_cmake_dir}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
# The pointer size is checked too: a 32-bit package does not satisfy a
# 64-bit host build, nor the other way round.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/tovraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/tovraConfig.cmake
              ${PROJECT_BINARY_DIR}/package/tovraConfigVersion.cmake
        DESTINATION ${tovra_cmake_dir})

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(TOVRA_PACKAGE_ARCH x86)
  else()
    set(TOVRA_PACKAGE_ARCH x64)
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package-readme.txt.in ${PROJECT_BINARY_DIR}/package/README.txt @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/README.txt DESTINATION .)
  if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  endif()
else()
  # Relative to the .pc file, so that an install folder can be moved.
  file(RELATIVE_PATH TOVRA_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" TOVRA_PC_TO_PREFIX "${TOVRA_PC_TO_PREFIX}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/tovra.pc.in ${PROJECT_BINARY_DIR}/package/tovra.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/tovra.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

set(CPACK_PACKAGE_NAME tovra)
set(CPACK_PACKAGE_VENDOR "TOVRA project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tovra-${PROJECT_VERSION}-windows-${TOVRA_PACKAGE_ARCH})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TOVRA developers <tovra@localhost>")
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "The TOVRA library with its header, CMake and pkg-config files, and the tovra command-line tool that shows, checks, converts and rewrites data files.")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  find_program(TOVRA_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(TOVRA_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  endif()
endif()
include(CPack)
