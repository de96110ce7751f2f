# Debian package of both programs: `cpack -G DEB` in a build tree (scripts/package.sh).
# It holds the product component alone: everything the product's install rules install,
# nothing from the local services or the tests.

set(COMPANIONS_PACKAGE corvanta-companions)
set(COMPANIONS_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/${COMPANIONS_PACKAGE}")

# Debian's places for the package's own documents: the copyright as it is, the changelog
# compressed (a native package, so changelog.gz).
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" DESTINATION "${COMPANIONS_DOCDIR}")
install_compressed("${PROJECT_SOURCE_DIR}/packaging/changelog" changelog.gz
                   DESTINATION "${COMPANIONS_DOCDIR}")

# The changelog's newest entry names the package version; keep the two in step.
file(STRINGS "${PROJECT_SOURCE_DIR}/packaging/changelog" newest_entry LIMIT_COUNT 1)
if(NOT newest_entry MATCHES "^${COMPANIONS_PACKAGE} \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog does not start with version ${PROJECT_VERSION}")
endif()

set(CPACK_PACKAGE_NAME "${COMPANIONS_PACKAGE}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Corvanta")
set(CPACK_PACKAGE_CONTACT "Corvanta packaging <packaging@corvanta.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Corvanta Standard Server companion programs")
# The extended description; CPack puts the summary line above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "getVantorel asks the Corvanta authentication service for a tuning profile
sized to the machine's memory and prints it as name=value lines.

Freshwell is a tray update notifier: it checks the Corvanta update catalog
once a day and offers to start the add-on installer when updates apply.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.corvanta.com/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg keeps the user's edits of the autostart entry across upgrades.
file(WRITE "${PROJECT_BINARY_DIR}/packaging/conffiles"
     "${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart/freshwell.desktop\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_BINARY_DIR}/packaging/conffiles")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL companions)
include(CPack)
