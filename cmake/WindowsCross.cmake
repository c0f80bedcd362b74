# What a Windows build made on Linux takes from the build machine: GoogleTest compiled from
# Debian's sources by the cross compiler, and header-only JSON copied into the build tree, so that
# no Linux system header is ever on the cross compiler's path.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

file(COPY /usr/include/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/host-headers)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/host-headers)

# find_package looks in the redirects folder before anything else: the targets above stand in.
foreach(package gtest nlohmann_json)
    file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${package}-config.cmake "")
    file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${package}-config-version.cmake
        "set(PACKAGE_VERSION_COMPATIBLE TRUE)\n")
endforeach()
