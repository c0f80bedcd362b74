# Installs Skerrow the way a Linux desktop expects a program: the window program in a private
# folder with its help file beside it and a link to it in bin/, the command-line tool with its man
# page, the menu entry, the icons, the voice file types, the software-centre metadata and the docs.
# Packaging.cmake turns the same rules into a .deb.

# One reverse-DNS name ties the menu entry, the icon, the metadata and the file types together.
set(SKERROW_APP_ID io.skerrow.Skerrow)
set(SKERROW_INSTALL_PROGRAMDIR "lib/skerrow" CACHE STRING
    "Private folder of the window program and its help file, relative to the install prefix")
if(IS_ABSOLUTE "${SKERROW_INSTALL_PROGRAMDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    message(FATAL_ERROR "SKERROW_INSTALL_PROGRAMDIR and CMAKE_INSTALL_BINDIR must be relative to the prefix, "
                        "so that the link in bin/ survives a change of prefix at install time")
endif()

set(skerrow_packaging_source ${CMAKE_SOURCE_DIR}/packaging)
set(skerrow_packaging_build ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${skerrow_packaging_build})

# Files that other parts of the tree bring in: globbed so that their arrival re-runs the configure step.
file(GLOB skerrow_help_file CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/help/Skerrow.hlp)
file(GLOB skerrow_icon_svg CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/resources/app_icon.svg)
file(GLOB skerrow_docs CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE* ${CMAKE_SOURCE_DIR}/COPYING*)

if(TARGET skerrow)
    # The program looks for Skerrow.hlp in its own directory, which Qt takes from /proc/self/exe:
    # the kernel resolves the link in bin/, so the help belongs beside the real binary.
    install(TARGETS skerrow RUNTIME DESTINATION ${SKERROW_INSTALL_PROGRAMDIR})
    if(skerrow_help_file)
        install(FILES ${skerrow_help_file} DESTINATION ${SKERROW_INSTALL_PROGRAMDIR})
    else()
        message(WARNING "src/ui/help/Skerrow.hlp is missing: Help > Help will find nothing after install")
    endif()

    # A relative link, so that the tree works under any prefix and inside DESTDIR.
    file(RELATIVE_PATH skerrow_link_target /prefix/${CMAKE_INSTALL_BINDIR}
        /prefix/${SKERROW_INSTALL_PROGRAMDIR}/skerrow)
    file(CREATE_LINK ${skerrow_link_target} ${skerrow_packaging_build}/skerrow SYMBOLIC)
    install(FILES ${skerrow_packaging_build}/skerrow DESTINATION ${CMAKE_INSTALL_BINDIR})

    set(man ${skerrow_packaging_build}/man/skerrow.1)
    add_custom_command(OUTPUT ${man}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${skerrow_packaging_source}/skerrow.1 ${man}
        COMMAND gzip -9nf ${man}
        DEPENDS ${skerrow_packaging_source}/skerrow.1
        VERBATIM)
    add_custom_target(skerrow_man ALL DEPENDS ${man}.gz)
    install(FILES ${man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    install(FILES ${skerrow_packaging_source}/${SKERROW_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${skerrow_packaging_source}/skerrow-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${SKERROW_APP_ID}.xml)

    # The release date is the build date; SOURCE_DATE_EPOCH pins it for reproducible packages.
    string(TIMESTAMP SKERROW_RELEASE_DATE "%Y-%m-%d" UTC)
    configure_file(${skerrow_packaging_source}/${SKERROW_APP_ID}.metainfo.xml.in
        ${skerrow_packaging_build}/${SKERROW_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${skerrow_packaging_build}/${SKERROW_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    if(skerrow_icon_svg)
        install(FILES ${skerrow_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
            RENAME ${SKERROW_APP_ID}.svg)
        find_program(SKERROW_RSVG_CONVERT rsvg-convert)
        if(SKERROW_RSVG_CONVERT)
            # Menus and docks that do not draw SVG pick one of these sizes.
            set(skerrow_icon_pngs)
            foreach(size 16 32 48 64 128 256)
                set(dir ${skerrow_packaging_build}/icons/${size}x${size}/apps)
                set(png ${dir}/${SKERROW_APP_ID}.png)
                add_custom_command(OUTPUT ${png}
                    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                    COMMAND ${SKERROW_RSVG_CONVERT} --width ${size} --height ${size} --format png
                            --output ${png} ${skerrow_icon_svg}
                    DEPENDS ${skerrow_icon_svg}
                    COMMENT "Drawing the ${size}x${size} program icon"
                    VERBATIM)
                list(APPEND skerrow_icon_pngs ${png})
                install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
            endforeach()
            add_custom_target(skerrow_icons ALL DEPENDS ${skerrow_icon_pngs})
        else()
            message(WARNING "rsvg-convert (package librsvg2-bin) not found: only the SVG icon will be installed")
        endif()
    else()
        message(WARNING "src/ui/resources/app_icon.svg is missing: no program icon will be installed")
    endif()
endif()

if(TARGET skerrow-cli)
    install(TARGETS skerrow-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

    # The man page is written from the tool's own --help and per-command help, so the two never disagree.
    set(man ${skerrow_packaging_build}/man/skerrow-cli.1)
    add_custom_command(OUTPUT ${man}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${skerrow_packaging_build}/man
        COMMAND bash ${skerrow_packaging_source}/cli-man-page.sh $<TARGET_FILE:skerrow-cli> ${man}
                ${skerrow_packaging_source}/skerrow-cli-extra.roff
                "copy, arrange and write VL1 voice files from the command line"
        COMMAND gzip -9nf ${man}
        DEPENDS skerrow-cli ${skerrow_packaging_source}/cli-man-page.sh
                ${skerrow_packaging_source}/skerrow-cli-extra.roff
        COMMENT "Writing the skerrow-cli man page"
        VERBATIM)
    add_custom_target(skerrow_cli_man ALL DEPENDS ${man}.gz)
    install(FILES ${man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

if(skerrow_docs)
    install(FILES ${skerrow_docs} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/skerrow)
endif()
# What Debian asks of every package's doc folder: the copyright in its machine-readable form and
# the changelog, compressed without a time stamp so that the package stays reproducible.
set(changelog ${skerrow_packaging_build}/changelog)
add_custom_command(OUTPUT ${changelog}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${skerrow_packaging_source}/changelog ${changelog}
    COMMAND gzip -9nf ${changelog}
    DEPENDS ${skerrow_packaging_source}/changelog
    VERBATIM)
add_custom_target(skerrow_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${skerrow_packaging_source}/copyright ${changelog}.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/skerrow)

# A direct install (from source, say into /usr/local) refreshes the desktop's caches itself, so that
# voice files are known and offered to Skerrow at once. Packages leave that to their triggers: they
# and any staged install set DESTDIR, and then the caches are not touched.
if(TARGET skerrow)
    install(CODE "set(skerrow_datadir \"${CMAKE_INSTALL_DATADIR}\")")
    install(CODE [[
        if("$ENV{DESTDIR}" STREQUAL "")
            set(data "${CMAKE_INSTALL_PREFIX}/${skerrow_datadir}")
            find_program(update_mime update-mime-database)
            find_program(update_desktop update-desktop-database)
            find_program(update_icons gtk-update-icon-cache)
            if(update_mime)
                execute_process(COMMAND ${update_mime} "${data}/mime")
            endif()
            if(update_desktop)
                execute_process(COMMAND ${update_desktop} -q "${data}/applications")
            endif()
            # Only a cache that is already there can hide the new icon; without one the theme is read as is.
            if(update_icons AND EXISTS "${data}/icons/hicolor/icon-theme.cache")
                execute_process(COMMAND ${update_icons} -q -t -f "${data}/icons/hicolor")
            endif()
        endif()
    ]])
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Packaging.cmake)
