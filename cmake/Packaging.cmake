# A Debian package of the installed tree: `cpack -G DEB` in the build folder (scripts/package).
set(CPACK_PACKAGE_NAME tunewalk)
set(CPACK_PACKAGE_VENDOR "Tunewalk")
set(CPACK_PACKAGE_CONTACT "Tunewalk developers <developers@tunewalk.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "folder player for MP3 and WAV files, with a tag editor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY tunewalk)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tunewalk plays a folder of MP3 and WAV files as a playlist, beside a folder tree.
It moves, renames and deletes the files where they lie, edits the ID3v1 tags of
MP3 files and the headers of WAV files, and exports a folder as an M3U playlist
or a CSV table. The command-line tool tunewalk-tag shows and edits the same tags.")
# dpkg-shlibdeps finds the Qt and C++ libraries the programs link; the player's GStreamer
# plugins and Qt's SVG icon plugin are loaded at run time, where it cannot see them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6svg6, libqt6sql6-sqlite, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
# ugly: MP3 on older systems; libav: AAC in M4A files; bad: AIFF.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "gstreamer1.0-plugins-ugly, gstreamer1.0-libav, gstreamer1.0-plugins-bad, qt6-wayland")

include(CPack)
