# Packaging for host developers: Windows version resources, the install tree,
# the CMake package hotFolders::hotFolders, the pkg-config file (Linux) and the
# release archives made by cpack. Targets that do not exist (yet) are skipped.
#
# Install tree (the same on both builds, fixed so that hosts find each other):
#   bin/hotfolders[.exe]  bin/hotFolders.dll | lib/libhotFolders.so
#   lib/libhotFolders.dll.a  include/hotFolders.h  Kernel/Morvex.dll  History/
#   Kernel/MorvexServer.exe  Kernel/MorvexProxy.dll (Windows: the engine as a
#   COM local server and its proxy)
#   lib/cmake/hotFolders/  lib/pkgconfig/hotFolders.pc  share/doc/hotFolders/

include(CMakePackageConfigHelpers)

set(HOTFOLDERS_INSTALL_BINDIR bin)
set(HOTFOLDERS_INSTALL_LIBDIR lib)
set(HOTFOLDERS_INSTALL_INCLUDEDIR include)
set(HOTFOLDERS_INSTALL_CMAKEDIR lib/cmake/hotFolders)
set(HOTFOLDERS_INSTALL_DOCDIR share/doc/hotFolders)

# --- Version resources (Windows) --------------------------------------------

# hotfolders_version_resource(target file-name description VFT_APP|VFT_DLL):
# gives the target a VERSIONINFO made from the project's version.
function(hotfolders_version_resource target filename description filetype)
  if(NOT TARGET ${target})
    return()
  endif()
  set(HF_RC_FILENAME ${filename})
  set(HF_RC_DESCRIPTION ${description})
  set(HF_RC_FILETYPE ${filetype})
  get_filename_component(HF_RC_INTERNAL_NAME ${filename} NAME_WE)
  set(HF_RC_VERSION_COMMAS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(rc ${PROJECT_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

if(WIN32)
  hotfolders_version_resource(hotFolders hotFolders.dll
    "hotFolders folder ranking library" VFT_DLL)
  hotfolders_version_resource(hotfolders hotfolders.exe
    "hotFolders command-line host" VFT_APP)
  hotfolders_version_resource(Morvex Morvex.dll
    "hotFolders reference log engine" VFT_DLL)
  hotfolders_version_resource(MorvexServer MorvexServer.exe
    "hotFolders reference log engine, COM local server" VFT_APP)
  hotfolders_version_resource(MorvexProxy MorvexProxy.dll
    "hotFolders reference log engine, proxy and client classes" VFT_DLL)
endif()

# --- Install rules ----------------------------------------------------------

if(TARGET hotFolders)
  install(TARGETS hotFolders EXPORT hotFoldersTargets
    RUNTIME DESTINATION ${HOTFOLDERS_INSTALL_BINDIR}
    LIBRARY DESTINATION ${HOTFOLDERS_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${HOTFOLDERS_INSTALL_LIBDIR})

  install(EXPORT hotFoldersTargets
    NAMESPACE hotFolders::
    DESTINATION ${HOTFOLDERS_INSTALL_CMAKEDIR})
  configure_package_config_file(
    ${PROJECT_SOURCE_DIR}/cmake/hotFoldersConfig.cmake.in
    ${PROJECT_BINARY_DIR}/package/hotFoldersConfig.cmake
    INSTALL_DESTINATION ${HOTFOLDERS_INSTALL_CMAKEDIR}
    PATH_VARS HOTFOLDERS_INSTALL_INCLUDEDIR)
  write_basic_package_version_file(
    ${PROJECT_BINARY_DIR}/package/hotFoldersConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion)
  install(FILES
    ${PROJECT_BINARY_DIR}/package/hotFoldersConfig.cmake
    ${PROJECT_BINARY_DIR}/package/hotFoldersConfigVersion.cmake
    DESTINATION ${HOTFOLDERS_INSTALL_CMAKEDIR})

  if(NOT WIN32)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/hotFolders.pc.in
      ${PROJECT_BINARY_DIR}/package/hotFolders.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/package/hotFolders.pc
      DESTINATION ${HOTFOLDERS_INSTALL_LIBDIR}/pkgconfig)
  endif()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/include/hotFolders.h
  DESTINATION ${HOTFOLDERS_INSTALL_INCLUDEDIR})

if(TARGET hotfolders)
  install(TARGETS hotfolders RUNTIME DESTINATION ${HOTFOLDERS_INSTALL_BINDIR})
endif()

# The engine is a loadable module: LIBRARY on every platform.
if(TARGET Morvex)
  install(TARGETS Morvex
    LIBRARY DESTINATION Kernel
    RUNTIME DESTINATION Kernel)
endif()

# The engine out of process (Windows): the server and its proxy beside the
# engine library. An import library of the proxy is of no use to a host.
set(HOTFOLDERS_PACKAGE_SERVER OFF)
if(WIN32 AND TARGET MorvexServer AND TARGET MorvexProxy)
  set(HOTFOLDERS_PACKAGE_SERVER ON)
  install(TARGETS MorvexServer RUNTIME DESTINATION Kernel)
  install(TARGETS MorvexProxy
    RUNTIME DESTINATION Kernel
    LIBRARY DESTINATION Kernel
    ARCHIVE DESTINATION ${HOTFOLDERS_INSTALL_LIBDIR} EXCLUDE_FROM_ALL)
endif()

# The reference engine's default log directory, empty.
install(DIRECTORY DESTINATION History)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${HOTFOLDERS_INSTALL_DOCDIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${HOTFOLDERS_INSTALL_DOCDIR})
endif()

# --- Facts for the packaging checks -----------------------------------------

# tests/package/*_test.sh BUILD_DIR read this to build hosts the way this
# build was made (compilers, sanitizer flags, cross toolchain) and to know
# whether the install holds the engine server (HF_SERVER ON|OFF).
if(WIN32)
  set(HOTFOLDERS_PACKAGE_SYSTEM windows)
else()
  set(HOTFOLDERS_PACKAGE_SYSTEM linux)
endif()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/package/build.env @ONLY CONTENT [[
HF_SOURCE_DIR='@PROJECT_SOURCE_DIR@'
HF_VERSION='@PROJECT_VERSION@'
HF_SYSTEM='@HOTFOLDERS_PACKAGE_SYSTEM@'
HF_SERVER='@HOTFOLDERS_PACKAGE_SERVER@'
HF_CC='@CMAKE_C_COMPILER@'
HF_CXX='@CMAKE_CXX_COMPILER@'
HF_C_FLAGS='@CMAKE_C_FLAGS@'
HF_CXX_FLAGS='@CMAKE_CXX_FLAGS@'
HF_LINKER_FLAGS='@CMAKE_EXE_LINKER_FLAGS@'
HF_TOOLCHAIN_FILE='@CMAKE_TOOLCHAIN_FILE@'
HF_BUILD_TYPE='@CMAKE_BUILD_TYPE@'
]])

# --- Release archives (cpack) -----------------------------------------------

set(CPACK_PACKAGE_NAME hotFolders)
set(CPACK_PACKAGE_VENDOR "The hotFolders developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Ranks the folders most often met in the history logs")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME hotFolders-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR TGZ)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" HOTFOLDERS_PACKAGE_SYSTEM)
  set(CPACK_PACKAGE_FILE_NAME hotFolders-${PROJECT_VERSION}-${HOTFOLDERS_PACKAGE_SYSTEM})
endif()
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
