# What a release holds besides the tool and its CMake package, and the
# release packages that cpack makes from the install:
#   Linux:   genversion-<version>-Linux-<processor>.tar.gz and a .deb
#            (static tool, man page, CMake package, README, licence; no
#            dependencies);
#   Windows: genversion-<version>-win32.zip (the exe, README, licence, the
#            man page as text, the CMake package).
# Included from the top-level CMakeLists.txt when genversion installs.

install(FILES README.md LICENSE CHANGELOG.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Dates written into the package follow SOURCE_DATE_EPOCH where it is set.
string(TIMESTAMP genversion_release_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/doc/genversion.1)

if(WIN32)
  # Windows has no man: the page goes along as plain text, where groff is
  # at hand to render it.
  find_program(GENVERSION_GROFF groff)
  if(GENVERSION_GROFF)
    execute_process(
      COMMAND ${GENVERSION_GROFF} -man -Tascii -P-cbou
              ${PROJECT_SOURCE_DIR}/doc/genversion.1
      OUTPUT_FILE ${PROJECT_BINARY_DIR}/genversion.txt
      RESULT_VARIABLE rendered)
    if(rendered EQUAL 0)
      install(FILES ${PROJECT_BINARY_DIR}/genversion.txt
              DESTINATION ${CMAKE_INSTALL_DOCDIR})
    endif()
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME genversion-${PROJECT_VERSION}-win32)
else()
  # Debian's way: the man page and the changelog compressed, and a
  # copyright file beside the other documents.
  # gzip -n keeps names and times out, so the files can be reproduced.
  find_program(GENVERSION_GZIP gzip REQUIRED)
  function(genversion_gzip source output)
    execute_process(COMMAND ${GENVERSION_GZIP} -9nc ${source}
                    OUTPUT_FILE ${output} COMMAND_ERROR_IS_FATAL ANY)
  endfunction()
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/pkg)
  file(COPY_FILE ${PROJECT_SOURCE_DIR}/doc/genversion.1
       ${PROJECT_BINARY_DIR}/pkg/genversion.1)
  genversion_gzip(${PROJECT_BINARY_DIR}/pkg/genversion.1
                  ${PROJECT_BINARY_DIR}/pkg/genversion.1.gz)
  file(WRITE ${PROJECT_BINARY_DIR}/pkg/changelog "\
genversion (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}: see CHANGELOG.md beside this file.

 -- the genversion authors <genversion@example.invalid>  ${genversion_release_date}
")
  genversion_gzip(${PROJECT_BINARY_DIR}/pkg/changelog
                  ${PROJECT_BINARY_DIR}/pkg/changelog.gz)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  string(REPLACE "\n" "\n " licence_lines "${licence}")
  string(REPLACE "\n \n" "\n .\n" licence_lines "${licence_lines}")
  file(WRITE ${PROJECT_BINARY_DIR}/pkg/copyright "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: genversion

Files: *
Copyright: 2026 the genversion authors
License: Expat
 ${licence_lines}")
  install(FILES ${PROJECT_BINARY_DIR}/pkg/genversion.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # Static on purpose: it starts in a tenth of the instructions of a
  # dynamic build, and a build runs it on every build.
  file(WRITE ${PROJECT_BINARY_DIR}/pkg/genversion
       "genversion: statically-linked-binary [usr/bin/genversion]\n")
  # Debian's own files go in the .deb alone, not in every install: a
  # component of their own that only the .deb asks for.
  install(FILES ${PROJECT_BINARY_DIR}/pkg/genversion
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          COMPONENT debian EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_BINARY_DIR}/pkg/changelog.gz
                ${PROJECT_BINARY_DIR}/pkg/copyright
          DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT debian EXCLUDE_FROM_ALL)
  set(CPACK_COMPONENTS_ALL Unspecified debian)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME
      genversion-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  # CPack puts the summary in front as the synopsis.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "genversion reads a library's version from the AC_INIT call of its
Autoconf configure.ac and prints it as the C preprocessor definition of
PACKAGE_VERSION, for a build without Autoconf (CMake, Meson, MSVC, a
plain Makefile) to write into a header. It resolves the
literal m4 definitions a version is made of, exactly as Autoconf would,
and refuses what only Autoconf could compute.
.
The package holds the static tool, its man page and a CMake package
with genversion_add_header().")
endif()

set(CPACK_PACKAGE_NAME genversion)
set(CPACK_PACKAGE_VENDOR "the genversion authors")
set(CPACK_PACKAGE_CONTACT "the genversion authors <genversion@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "version header from a library's configure.ac")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_THREADS 0)
include(CPack)
