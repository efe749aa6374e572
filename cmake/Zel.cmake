# Common settings for every target of the project.
function(zel_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
    if(ZEL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# zel_library(NAME TYPE [LIBS ...]): one library per folder, built from every source in it.
function(zel_library name type)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} ${type} ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    zel_warnings(${name})
endfunction()
