# Installs the build into a scratch DESTDIR and checks what desktops and shells will read:
# the desktop entry (desktop-file-validate), the AppStream metainfo (appstreamcli, offline),
# the shared-MIME package (update-mime-database) and the files every part expects.
# Run as: cmake -DBUILD=<build dir> -DSCRATCH=<folder> -P installed_tree.cmake
file(REMOVE_RECURSE ${SCRATCH})
set(ENV{DESTDIR} ${SCRATCH})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
  RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(share ${SCRATCH}/usr/share)

foreach(file
    usr/bin/ximora usr/bin/ximora-batch usr/bin/ximora-batch-run usr/bin/ximora-clipboard
    usr/bin/ximora-decode
    usr/bin/ximora-draw
    usr/share/applications/jp.quorvel.ximora.desktop
    usr/share/metainfo/jp.quorvel.ximora.metainfo.xml
    usr/share/mime/packages/ximora.xml
    usr/share/icons/hicolor/scalable/apps/jp.quorvel.ximora.svg
    usr/share/icons/hicolor/16x16/apps/jp.quorvel.ximora.png
    usr/share/icons/hicolor/512x512/apps/jp.quorvel.ximora.png
    usr/share/man/man1/ximora.1 usr/share/man/man1/ximora-batch.1
    usr/share/bash-completion/completions/ximora-batch)
  if(NOT EXISTS ${SCRATCH}/${file})
    message(FATAL_ERROR "not installed: /${file}")
  endif()
endforeach()
file(GLOB stamps ${share}/ximora/apData/*.bmp)
if(NOT stamps)
  message(FATAL_ERROR "no stamp pictures in /usr/share/ximora/apData")
endif()

macro(check)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "${ARGN}:\n${out}")
  endif()
endmacro()
check(desktop-file-validate ${share}/applications/jp.quorvel.ximora.desktop)
check(appstreamcli validate --no-net --explain ${share}/metainfo/jp.quorvel.ximora.metainfo.xml)
# The package's types next to freedesktop's, as a system's database is built.
file(COPY /usr/share/mime/packages/freedesktop.org.xml DESTINATION ${share}/mime/packages)
check(update-mime-database ${share}/mime)
file(READ ${share}/mime/globs2 globs)
foreach(glob "image/x-fpx:\\*\\.fpx" "image/x-sxf:\\*\\.p21" "image/x-sxf:\\*\\.sfc")
  if(NOT globs MATCHES "${glob}")
    message(FATAL_ERROR "the MIME database does not map ${glob}")
  endif()
endforeach()
check(bash -n ${share}/bash-completion/completions/ximora-batch)
foreach(page ximora ximora-batch)
  check(groff -man -Tutf8 -ww -z ${SCRATCH}/usr/share/man/man1/${page}.1)
endforeach()
