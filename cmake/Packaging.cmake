# The Debian package: `cpack -G DEB` in the build folder gives
# quillant_<version>_<arch>.deb with everything the install rules hold.

set(CPACK_PACKAGE_NAME quillant)
set(CPACK_PACKAGE_VENDOR Kalmoro)
set(CPACK_PACKAGE_CONTACT "${QUILLANT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pixel ruler, colour picker and screen magnifier")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLANT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLANT_HOMEPAGE}")
# Libraries from dpkg-shlibdeps; the fonts the program draws with by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-liberation2")
# CPack puts the summary first and indents these lines itself; an empty line
# becomes the " ." of a new paragraph.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quillant is a small measuring tool for people who lay out screens and web
pages. A light-yellow ruler strip lies over any application and tells how
many pixels the mouse pointer is from its edge; the same strip holds a
colour picker that reads screen pixels into eight slots and trades them with
the clipboard as #rrggbb text, and a magnifier follows the pointer.

A notification-area icon hides and shows the ruler, and the ruler remembers
where it stood.")
include(CPack)
