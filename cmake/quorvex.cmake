# Build conventions shared by every folder.
#
#   qvx_logic_library(<subsystem> [SOURCES <files>...] [DEPENDS <libs>...]
#                     [WIN32_SOURCES <files>...] [WIN32_DEPENDS <libs>...]
#                     [WIN32_SYSTEM_LIBS <libs>...])
#       qvx_<subsystem> from SOURCES (none gives an INTERFACE library). On Windows,
#       qvx_<subsystem>_win32 from WIN32_SOURCES, linked to the logic library, WIN32_DEPENDS and
#       the system libraries it calls. Every file is named: one that is missing fails the build.
#
#   qvx_test_suite(<name> SOURCES <files>... LIBS <libs>...)
#       one test executable <name>, linked only to the libraries of its own area, run by ctest.

function(qvx_logic_library subsystem)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;WIN32_SOURCES;WIN32_DEPENDS;WIN32_SYSTEM_LIBS"
                          ${ARGN})
    set(lib qvx_${subsystem})
    if(ARG_SOURCES)
        add_library(${lib} STATIC ${ARG_SOURCES})
        target_link_libraries(${lib} PUBLIC ${ARG_DEPENDS})
    else()
        add_library(${lib} INTERFACE)
        target_link_libraries(${lib} INTERFACE ${ARG_DEPENDS})
    endif()
    if(WIN32)
        if(ARG_WIN32_SOURCES)
            add_library(${lib}_win32 STATIC ${ARG_WIN32_SOURCES})
            target_link_libraries(${lib}_win32 PUBLIC ${lib} ${ARG_WIN32_DEPENDS}
                                                      ${ARG_WIN32_SYSTEM_LIBS})
        else()
            add_library(${lib}_win32 INTERFACE)
            target_link_libraries(${lib}_win32 INTERFACE ${lib} ${ARG_WIN32_DEPENDS}
                                                         ${ARG_WIN32_SYSTEM_LIBS})
        endif()
    endif()
endfunction()

function(qvx_test_suite name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
