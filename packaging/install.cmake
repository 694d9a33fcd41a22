# What `cmake --install` puts where (any prefix; DESTDIR is honoured):
#   bin/vortexel                              the program
#   share/vortexel/                           the shipped demo (Data/)
#   share/doc/vortexel/                       README, docs/, copyright, changelog
#   share/man/man6/vortexel.6.gz              the manual page
#   share/applications/vortexel.desktop       the menu entry
#   share/icons/hicolor/NxN/apps/vortexel.png the icon, drawn by tools/make_icon.cpp
include(GNUInstallDirs)

# The program finds the installed demo from its own place, so an installed
# tree works wherever it is unpacked (a .tar.gz, a DESTDIR).
file(RELATIVE_PATH VORTEXEL_DATA_FROM_BINDIR ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/vortexel)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/platform/Paths.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             VORTEXEL_DATA_FROM_BINDIR="${VORTEXEL_DATA_FROM_BINDIR}")

# Manual page and changelog go compressed, as Debian wants them; gzip -n keeps
# the output free of time stamps.
set(packaging_dir ${CMAKE_BINARY_DIR}/packaging)
set(compressed)
foreach(pair "docs/vortexel.6;vortexel.6.gz" "packaging/changelog;changelog.gz")
  list(GET pair 0 input)
  list(GET pair 1 output)
  add_custom_command(
    OUTPUT ${packaging_dir}/${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_dir}
    COMMAND sh -c "gzip -9nc '${CMAKE_SOURCE_DIR}/${input}' > '${packaging_dir}/${output}'"
    DEPENDS ${CMAKE_SOURCE_DIR}/${input}
    VERBATIM)
  list(APPEND compressed ${packaging_dir}/${output})
endforeach()
add_custom_target(vortexel_compressed_docs ALL DEPENDS ${compressed})

install(TARGETS vortexel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vortexel)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
              ${packaging_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Pages and any pictures they show.
file(GLOB doc_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.md ${CMAKE_SOURCE_DIR}/docs/*.png
     ${CMAKE_SOURCE_DIR}/docs/*.jpg)
install(FILES ${doc_pages} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
if(EXISTS ${CMAKE_SOURCE_DIR}/docs/stills) # the README's pictures of the demo
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/stills DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
endif()
install(FILES ${packaging_dir}/vortexel.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# The menu entry names the installed demo with --data: a menu start's working
# directory is the home folder, where a ~/data of the user's own would
# otherwise be taken for the demo. The prefix is the install's own (the Debian
# package's /usr), known only when installing; an archive, unpacked anywhere,
# has none to name (cpack-kind.cmake says which is being made).
install(CODE "
  if(\"\$ENV{VORTEXEL_RELOCATABLE_ARCHIVE}\")
    set(VORTEXEL_EXEC vortexel)
  else()
    set(VORTEXEL_EXEC \"vortexel --data \${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/vortexel\")
    string(REGEX REPLACE \"//+\" \"/\" VORTEXEL_EXEC \"\${VORTEXEL_EXEC}\")
  endif()
  set(menu \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  message(STATUS \"Installing: \${menu}/vortexel.desktop\")
  configure_file(\"${CMAKE_SOURCE_DIR}/packaging/vortexel.desktop.in\" \"\${menu}/vortexel.desktop\" @ONLY)
")
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/vortexel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME vortexel.png)
endforeach()
