# Our own targets get the full warning set; warnings become errors where SKERROW_WERROR asks.
function(skerrow_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(SKERROW_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A logic library: every .cpp of its folder, plain C++ with no Qt.
function(skerrow_logic_library target folder)
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    skerrow_warnings(${target})
endfunction()
