# What `cmake --install` lays out, in two components that become the two
# Debian packages:
#   zemra   bin/zemra; the platform layer, xferlink, both engines and their
#           plug-ins in lib/zemra (found through RUNPATH $ORIGIN); the art and
#           tones in share/zemra; the desktop entry, icons, metainfo, man page.
#   zemrad  bin/zemrad with its own copy of the platform layer in lib/zemrad,
#           the systemd unit and the man page.
include(GNUInstallDirs)

# Private libraries go to lib/<package>, where Debian wants them.
set(ZEMRA_PRIVATE_LIB lib/zemra)
set(ZEMRAD_PRIVATE_LIB lib/zemrad)
set(ZEMRA_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

set_target_properties(zemra PROPERTIES INSTALL_RPATH "$ORIGIN/../${ZEMRA_PRIVATE_LIB}")
set_target_properties(zemrad PROPERTIES INSTALL_RPATH "$ORIGIN/../${ZEMRAD_PRIVATE_LIB}")
foreach(library zemra_platform xferlink vidcore sndcore picodec)
  set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
endforeach()

install(TARGETS zemra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT zemra)
install(TARGETS zemra_platform xferlink vidcore sndcore picodec
        LIBRARY DESTINATION ${ZEMRA_PRIVATE_LIB} COMPONENT zemra
        NAMELINK_SKIP)
install(FILES ${ZEMRA_SPEECH_CODEC_FILES} DESTINATION ${ZEMRA_PRIVATE_LIB} COMPONENT zemra)
# The codec copies are plain files to CMake, so they are stripped here, as
# CPack strips the targets.
foreach(codec IN LISTS ZEMRA_SPEECH_CODEC_FILES)
  get_filename_component(name ${codec} NAME)
  install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ZEMRA_PRIVATE_LIB}/${name}\")"
          COMPONENT zemra)
endforeach()
install(DIRECTORY ${CMAKE_BINARY_DIR}/share/zemra DESTINATION ${CMAKE_INSTALL_DATADIR}
        COMPONENT zemra)

install(TARGETS zemrad RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT zemrad)
install(TARGETS zemra_platform LIBRARY DESTINATION ${ZEMRAD_PRIVATE_LIB} COMPONENT zemrad
        NAMELINK_SKIP)

# Desktop integration.
install(FILES ${ZEMRA_PACKAGING}/zemra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT zemra)
install(DIRECTORY ${CMAKE_BINARY_DIR}/share/icons DESTINATION ${CMAKE_INSTALL_DATADIR}
        COMPONENT zemra)
install(FILES ${ZEMRA_PACKAGING}/zemra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT zemra)
install(FILES ${ZEMRA_PACKAGING}/io.github.zemra.zemra.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT zemra)
# Manual pages and changelogs go compressed, as Debian keeps them.
function(zemra_gzip source output)
  get_filename_component(folder ${output} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  execute_process(COMMAND gzip -n -9 -c ${source} OUTPUT_FILE ${output})
endfunction()
zemra_gzip(${ZEMRA_PACKAGING}/zemra.1 ${CMAKE_BINARY_DIR}/packaging/man/zemra.1.gz)
zemra_gzip(${ZEMRA_PACKAGING}/zemrad.8 ${CMAKE_BINARY_DIR}/packaging/man/zemrad.8.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/man/zemra.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT zemra)
install(FILES ${CMAKE_BINARY_DIR}/packaging/man/zemrad.8.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT zemrad)
install(FILES ${ZEMRA_PACKAGING}/zemrad.service DESTINATION lib/systemd/system COMPONENT zemrad)

# The speech codec only calls libbcg729, so it needs nothing of libc; lintian
# is told so rather than linking a library that is not used.
install(FILES ${ZEMRA_PACKAGING}/lintian-overrides RENAME zemra
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT zemra)

# What every Debian package carries in its documentation folder.
foreach(package zemra zemrad)
  install(FILES ${ZEMRA_PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${package})
  set(changelog ${CMAKE_BINARY_DIR}/packaging/${package}/changelog.gz)
  zemra_gzip(${ZEMRA_PACKAGING}/changelog.Debian ${changelog})
  install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${package})
endforeach()

# Two Debian packages, their library dependencies computed by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL zemra zemrad)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "zemra developers <developers@zemra.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ZEMRA_PACKAGE_NAME zemra)
set(CPACK_DEBIAN_ZEMRAD_PACKAGE_NAME zemrad)
# The windows are in Chinese: a font that has the characters.
set(CPACK_DEBIAN_ZEMRA_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
set(CPACK_COMPONENT_ZEMRA_DESCRIPTION "instant messenger and video telephone
zemra logs in to a zemra server with a numeric ID, keeps a contact list
with presence, chats with emoticons, places audio and video calls that go
peer to peer, finds people, sends files and keeps a local history.")
set(CPACK_COMPONENT_ZEMRAD_DESCRIPTION "server for the zemra messenger
zemrad keeps the accounts, contact lists and offline messages of zemra
users, relays their messages, calls and file transfers, and learns their
media addresses.")
include(CPack)
