# What a Debian package of the tool holds, and how CPack makes it: the programs, the desktop
# entry, the icon in the hicolor theme, the AppStream data, a manual page for each program, the
# copyright and the changelog. Included last, once every program exists.
include(GNUInstallDirs)
find_program(SCDOC scdoc REQUIRED)
find_program(GZIP gzip REQUIRED)

set(package_dir ${PROJECT_BINARY_DIR}/package-files)
set(app_id example.fernhollow.Linkcourier)
set(source ${PROJECT_SOURCE_DIR}/packaging)

# Manual pages from their scdoc sources, compressed as Debian keeps them.
set(manuals)
foreach(program linkcourier linkcourier-push linkcourier-push-simulator)
  set(manual ${package_dir}/${program}.1.gz)
  add_custom_command(OUTPUT ${manual}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}
    COMMAND sh -c "${SCDOC} < ${source}/${program}.1.scd > ${package_dir}/${program}.1"
    COMMAND ${GZIP} -9nf ${package_dir}/${program}.1
    DEPENDS ${source}/${program}.1.scd
    VERBATIM)
  list(APPEND manuals ${manual})
endforeach()
configure_file(${source}/changelog ${package_dir}/changelog @ONLY)
add_custom_command(OUTPUT ${package_dir}/changelog.gz
  COMMAND sh -c "${GZIP} -9n < ${package_dir}/changelog > ${package_dir}/changelog.gz"
  DEPENDS ${package_dir}/changelog
  VERBATIM)
add_custom_target(linkcourier_package_files ALL
  DEPENDS ${manuals} ${package_dir}/changelog.gz linkcourier_icons)
configure_file(${source}/${app_id}.metainfo.xml ${package_dir}/${app_id}.metainfo.xml @ONLY)

# The simulator under a name fit for the system's path.
set_target_properties(push_simulator PROPERTIES OUTPUT_NAME linkcourier-push-simulator)

# Two packages from one source: the window (linkcourier), and the push program with its units,
# example and simulator (linkcourier-push), so that a headless server installs no Qt. Each keeps
# its own copyright and changelog, as every package must.
install(TARGETS linkcourier RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
install(FILES ${source}/${app_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT window)
install(FILES ${package_dir}/${app_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT window)
install(FILES ${source}/linkcourier.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT window)
foreach(size 48 128 256)
  install(FILES ${LINKCOURIER_ICON_DIR}/linkcourier-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME linkcourier.png COMPONENT window)
endforeach()
install(FILES ${package_dir}/linkcourier.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT window)

install(TARGETS linkcourier-push push_simulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT push)
install(FILES ${package_dir}/linkcourier-push.1.gz ${package_dir}/linkcourier-push-simulator.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT push)
install(FILES ${source}/linkcourier-push.toml ${source}/linkcourier-push-metrics.conf
              ${source}/linkcourier-push.rules.yml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/linkcourier-push/examples COMPONENT push)
# The daily job and the service that takes links as they are published, for systemd; no unit is
# enabled by the package.
install(FILES ${source}/linkcourier-push.service ${source}/linkcourier-push.timer
              ${source}/linkcourier-push-serve.service ${source}/linkcourier-push.socket
        DESTINATION /lib/systemd/system COMPONENT push)

foreach(component window push)
  set(package linkcourier)
  if(component STREQUAL push)
    set(package linkcourier-push)
  endif()
  install(FILES ${source}/copyright ${package_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL window push)
set(CPACK_PACKAGE_NAME linkcourier)
set(CPACK_PACKAGE_VENDOR Fernhollow)
set(CPACK_PACKAGE_CONTACT "Fernhollow <packages@fernhollow.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://fernhollow.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME linkcourier)
string(CONCAT CPACK_COMPONENT_WINDOW_DESCRIPTION
    "push page links to a search engine's link-push interface (window)\n"
    "A desktop tool for webmasters: type the address of a search engine's\n"
    "link-push interface and a list of page links, and it sends them in one request\n"
    "and reports how many the interface accepted and how much of the quota is left.\n"
    "The push program for servers and schedules is in the linkcourier-push package.")
# Loaded while running, so no binary names them: libcurl at the first exchange, Qt's platform
# plugins at start-up.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "libcurl4 (>= 7.88), qt6-qpa-plugins, fonts-wqy-microhei")

set(CPACK_DEBIAN_PUSH_PACKAGE_NAME linkcourier-push)
set(CPACK_DEBIAN_PUSH_PACKAGE_SECTION net)
string(CONCAT CPACK_COMPONENT_PUSH_DESCRIPTION
    "push whole sites' page links to search engines, unattended\n"
    "A command-line program that reads a site's links from sitemaps, folders or\n"
    "lists and pushes the new and changed ones to the link-push interface,\n"
    "IndexNow, Google's Indexing API and Bing's URL Submission API, within each\n"
    "engine's daily quota, keeping a record of every link. It comes with a systemd\n"
    "service and a daily timer (neither enabled), an example configuration, alert\n"
    "rules for Prometheus, and a local simulator of the engines for trying it out.\n"
    "It needs no desktop; the window is in the linkcourier package.")
set(CPACK_DEBIAN_PUSH_PACKAGE_DEPENDS "libcurl4 (>= 7.88)")
# The maintainer scripts under the names dpkg knows them by.
foreach(script postinst prerm postrm)
  configure_file(${source}/linkcourier-push.${script} ${package_dir}/push-scripts/${script} COPYONLY)
  list(APPEND CPACK_DEBIAN_PUSH_PACKAGE_CONTROL_EXTRA ${package_dir}/push-scripts/${script})
endforeach()
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
include(CPack)
