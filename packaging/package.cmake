# The Debian package: tools/package.sh configures a tree with the /usr prefix
# and runs CPack on it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrano)
set(CPACK_PACKAGE_VENDOR "Veltrano maintainers")
set(CPACK_PACKAGE_CONTACT "Veltrano maintainers <veltrano@users.noreply.github.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch audio converter for audio and video files")
# Debian wants the long description in lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Veltrano Audio Converter turns audio files, and the sound track of video"
    "files, into one of twelve audio formats: AAC, AC3, AIFF, AU, M4A, MP2, MP3,"
    "OGG, RA, WAV, WMA and FLAC. Files are added from a dialog, dropped on the"
    "window or opened with it from the file manager; each can be trimmed while"
    "it plays, and the whole list is converted in one batch."
    "."
    "The veltrano-convert command converts the same way from a terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://veltrano.github.io/")
# dpkg-shlibdeps finds the libraries the programs need (FFmpeg, Qt, SDL,
# libebur128-1 and libtag1v5 among them); the playback library
# is our own and comes with the package (dpkg-shlibdeps runs in the staged
# tree, so the folder is relative to it).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${VELTRANO_PRIVATE_LIBDIR})
# The output folder opens in the desktop's file manager through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, xdg-user-dirs")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

include(CPack)
