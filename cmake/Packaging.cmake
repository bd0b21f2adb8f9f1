# The Debian package, made by `cpack -G DEB` in the build folder from what `cmake --install` lays out
# under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillot)
set(CPACK_PACKAGE_VENDOR Brantwick)
set(CPACK_PACKAGE_CONTACT "Brantwick <quillot@brantwick.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recover lost audio files from memory cards, disks and disk images")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillot carves audio from the raw sectors of memory cards, devices, disks and disk images: it
ignores the file system, recognises the first sector of each audio file by its byte signature
and copies every recording it finds into a numbered file on another drive. Sources are only
ever opened for reading. The wizard quillot walks a person through it; quillot-cli runs the
same recovery from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.brantwick.example/)
# The libraries the programs link come from dpkg-shlibdeps; what is loaded or run only at run time no
# tool can see, so it is named here: the help engine (dlopen), the file manager opener, Qt's window
# system plugins and its translations for the standard dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QUILLOT_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libchm1, xdg-utils, qt6-qpa-plugins, qt6-translations-l10n")
endif()
# A desktop mounts the drives a person plugs in (a destination on another drive, say) through udisks.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udisks2")
include(CPack)
