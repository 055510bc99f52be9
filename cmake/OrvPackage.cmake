# `cpack -G DEB` in a build folder makes a Debian package of what
# `cmake --install` installs; its dependencies come from the binary
# (dpkg-shlibdeps), so they match the Qt the build used.
set(CPACK_PACKAGE_NAME orvalend)
set(CPACK_PACKAGE_VENDOR "Équipe Orvalend")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Équipe Orvalend <equipe@orvalend.fr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finite-difference schemes for the heat equation, by experiment")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvalend is a teaching program for numerical analysis (French user interface).\n"
    "It compares a parabolic heat problem with its hyperbolic relaxation on (0, 1),\n"
    "both solved by explicit finite-difference schemes, and lets the student study\n"
    "their stability, their consistency and the error between the two solutions.")
list(JOIN CPACK_PACKAGE_DESCRIPTION "" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/orvalend/orvalend)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
