# Where each part of Tavrik goes under the install prefix, and the Debian
# package made from the same rules (`cpack -G DEB`). A part that this build
# does not make (the desktop window, the opening library, ...) is left out.

set(TAVRIK_DATA ${CMAKE_SOURCE_DIR}/data)
set(TAVRIK_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/tavrik)

install(TARGETS tavrik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The private library folder is made even when it stays empty: an installed
# program takes it as the sign that its own folder is not the place for the
# user's settings.
install(DIRECTORY DESTINATION ${TAVRIK_PRIVATE_LIBDIR})
if(TARGET ecco)
  install(TARGETS ecco LIBRARY DESTINATION ${TAVRIK_PRIVATE_LIBDIR}
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

if(TARGET tavrik-gui)
  install(TARGETS tavrik-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The menu entry starts the window; without the window it has nothing to start.
  install(FILES ${TAVRIK_DATA}/tavrik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TAVRIK_DATA}/tavrik.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

if(EXISTS ${TAVRIK_DATA}/tavrik.1)
  # Manual pages are installed compressed, without a time stamp (gzip -n), so
  # that two builds of one source give the same package.
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/tavrik.1.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${TAVRIK_DATA}/tavrik.1 ${CMAKE_BINARY_DIR}/tavrik.1
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/tavrik.1
    DEPENDS ${TAVRIK_DATA}/tavrik.1
    VERBATIM)
  add_custom_target(tavrik_manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/tavrik.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/tavrik.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

if(EXISTS ${TAVRIK_DATA}/tavrik.bash)
  # bash-completion loads a command's completion from the file named like it.
  install(FILES ${TAVRIK_DATA}/tavrik.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tavrik)
endif()

install(FILES README.md DESTINATION ${TAVRIK_DOCDIR})
install(FILES COPYRIGHT DESTINATION ${TAVRIK_DOCDIR} RENAME copyright)
if(EXISTS ${CMAKE_SOURCE_DIR}/LICENSE)
  install(FILES LICENSE DESTINATION ${TAVRIK_DOCDIR})
endif()
install(DIRECTORY examples/ DESTINATION ${TAVRIK_DOCDIR}/examples)

# The Debian package. Its dependencies are the Debian packages of the shared
# libraries that the programs link; ICU and OpenSSL carry their version in the
# package name.
string(REGEX MATCH "^[0-9]+" TAVRIK_ICU_MAJOR ${ICU_VERSION})
set(TAVRIK_DEB_DEPENDS
  libc6 libstdc++6 libgcc-s1 libicu${TAVRIK_ICU_MAJOR} libxml2 zlib1g
  libssl${OPENSSL_VERSION_MAJOR})
if(TARGET tavrik-gui)
  set(TAVRIK_QT_AT_LEAST "(>= ${Qt6_VERSION_MAJOR}.${Qt6_VERSION_MINOR})")
  list(APPEND TAVRIK_DEB_DEPENDS "libqt6core6 ${TAVRIK_QT_AT_LEAST}"
    "libqt6gui6 ${TAVRIK_QT_AT_LEAST}" "libqt6widgets6 ${TAVRIK_QT_AT_LEAST}")
endif()
# The window's CJK font, and Qt's SVG plugins for the window's icon.
set(TAVRIK_DEB_RECOMMENDS fonts-arphic-uming)
if(TARGET tavrik-gui)
  list(APPEND TAVRIK_DEB_RECOMMENDS libqt6svg6)
endif()
list(JOIN TAVRIK_DEB_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
list(JOIN TAVRIK_DEB_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrik)
set(CPACK_PACKAGE_VENDOR "The Tavrik authors")
set(CPACK_PACKAGE_CONTACT "Tavrik maintainers <maintainers@users.noreply.c-seed-48061430.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Chinese-chess (Xiangqi) game record converter")
set(CPACK_PACKAGE_DESCRIPTION
  "Tavrik converts Xiangqi game records between the file formats of Xiangqi\n"
  "programs and web sites: XQF, CCBridge CBL libraries, PGN, DhtmlXQ pages and\n"
  "a dozen smaller formats, changing the code page (GBK, Big5, UTF-8) and the\n"
  "simplified or traditional script on the way. It runs from the command line\n"
  "or in its own window.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

if(TAVRIK_TESTS)
  # Both tests install from this build folder, one at a time.
  add_test(NAME install_into_destdir
    COMMAND ${CMAKE_SOURCE_DIR}/tests/install/install_test.sh ${CMAKE_COMMAND}
      ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  add_test(NAME debian_package
    COMMAND ${CMAKE_SOURCE_DIR}/tests/install/package_test.sh ${CMAKE_CPACK_COMMAND}
      ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  set_tests_properties(install_into_destdir debian_package PROPERTIES
    RESOURCE_LOCK tavrik_install TIMEOUT 300)
endif()
