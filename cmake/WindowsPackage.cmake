# The download for Windows: skerrow-cli-VERSION-win64.zip, made by `cmake --build --preset windows
# --target package`, holding skerrow-cli.exe (linked statically, so it runs alone) and the README and
# the licence as text files with Windows line ends, all in one folder of the zip's name.

install(TARGETS skerrow-cli RUNTIME DESTINATION .)

# Notepad and its like want "\r\n": the files are written so at configure time.
set(skerrow_windows_docs ${CMAKE_BINARY_DIR}/packaging/windows)
foreach(doc README.md LICENSE)
    set(source ${CMAKE_SOURCE_DIR}/${doc})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(READ ${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    get_filename_component(stem ${doc} NAME_WE)
    file(WRITE ${skerrow_windows_docs}/${stem}.txt "${text}")
    install(FILES ${skerrow_windows_docs}/${stem}.txt DESTINATION .)
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME skerrow-cli)
set(CPACK_PACKAGE_VENDOR "Skerrow developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME skerrow-cli-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
