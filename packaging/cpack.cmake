# Packages of the installed tree (see install.cmake): a Debian package and a
# .tar.gz. `./package.sh` builds both into build-package/.
set(CPACK_PACKAGE_NAME vortexel)
set(CPACK_PACKAGE_VENDOR "Vortexel maintainers")
set(CPACK_PACKAGE_CONTACT "Vortexel maintainers <maintainers@users.noreply.c-seed-58e7caa6.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time demo engine with its demo NIGHTDECK")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Vortexel plays a scripted audiovisual demo: a plain-text script lays out a\n"
       "timeline of compiled-in OpenGL effects, timed messages to them, the music and\n"
       "a colour scheme, and the effects dance to the music's spectrum. The package\n"
       "holds the engine and its demo NIGHTDECK. Authors of demos of their own\n"
       "check their scripts with vortexel --check.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB TGZ)

# Per package kind: the .deb installs under /usr whatever prefix the build was
# configured with; the .tar.gz holds bin/ and share/ under one folder.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-kind.cmake)
set(CPACK_VORTEXEL_ARCHIVE_NAME "vortexel-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A demo is watched, not played: Debian's games section is for programs in
# /usr/games, and the program goes to /usr/bin.
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries it links: the dialog's font, and the GL and EGL loaders
# that libepoxy and SDL open at run time (windowed and headless play).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, libgl1, libegl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
# Only --capture to a video file runs ffmpeg; playing, editing, checking and
# capturing PNG frames do not. Debian policy keeps Recommends for packages
# found with this one in all but unusual installations, and Suggests for those
# that make it more useful: ffmpeg (and its hundreds of megabytes) is the
# latter.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")

include(CPack)
