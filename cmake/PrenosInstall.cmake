# Install rules (cmake --install, honouring DESTDIR and the prefix) and the Debian package
# made from them by CPack (scripts/package): the two programs, the desktop entry and its
# icon, the man pages, the README and the docs.
include(GNUInstallDirs)

set(PRENOS_PACKAGE prenos-knjizb)
# The package builds only its own targets before it installs them (scripts/package).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(PRENOS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${PRENOS_PACKAGE})

install(TARGETS prenos-knjizb prenos-login RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES packaging/prenos-knjizb.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/icons/prenos-knjizb.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES packaging/icons/prenos-knjizb-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME prenos-knjizb.png)
endforeach()

# Man pages and the changelog are installed compressed, without a time stamp in the
# compressed file, so that two builds of one version give the same package.
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
set(PRENOS_COMPRESSED)
foreach(source packaging/man/prenos-knjizb.1 packaging/man/prenos-login.1 ${PROJECT_BINARY_DIR}/packaging/changelog)
  get_filename_component(name ${source} NAME)
  get_filename_component(path ${source} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
  set(out ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${out} COMMAND gzip -9 -n -c ${path} > ${out} DEPENDS ${path} VERBATIM)
  list(APPEND PRENOS_COMPRESSED ${out})
endforeach()
add_custom_target(prenos_packaging_files ALL DEPENDS ${PRENOS_COMPRESSED})
install(FILES ${PROJECT_BINARY_DIR}/packaging/prenos-knjizb.1.gz ${PROJECT_BINARY_DIR}/packaging/prenos-login.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz packaging/copyright DESTINATION ${PRENOS_DOC_DIR})

install(FILES README.md DESTINATION ${PRENOS_DOC_DIR})
install(DIRECTORY docs/ DESTINATION ${PRENOS_DOC_DIR}/docs FILES_MATCHING PATTERN "*.md" PATTERN "*.png")

# The Debian package. Depends: the libraries the programs link (found by dpkg-shlibdeps:
# Qt 6, unixODBC, SQLite), Qt's platform plugins and its Slovenian catalogue, which the
# programs load but do not link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PRENOS_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Prenos knjižb <prenos-knjizb@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "books a fixed-width posting file into a general ledger")
# CPack indents each line of the description itself; an empty line separates paragraphs.
set(CPACK_PACKAGE_DESCRIPTION
    "Prenos knjižb is a small desktop utility for an accounting office. It reads a
fixed-width text file of postings and books it, in one transaction, into the
general ledger of an SQL database reached over ODBC: a new journal or lines
attached to an existing one, with the partners and cost centres the ledger
does not know yet. The window and its messages are in Slovenian.

The package holds the program prenos-knjizb and the tool prenos-login, which
stores the ledger login.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, unixodbc")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "tdsodbc")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, libsqliteodbc")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
