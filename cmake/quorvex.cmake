# Build conventions shared by every folder.
#
#   qvx_logic_library(<subsystem> [DEPENDS <libs>...] [WIN32_DEPENDS <libs>...])
#       qvx_<subsystem>: every *.cpp directly in the calling folder (a header-only folder gives an
#       INTERFACE library). On Windows, qvx_<subsystem>_win32 is made from <folder>/win32/*.cpp
#       (all but win_main.cpp), linked to the logic library and the system libraries.
#
#   qvx_test_suites(<dir> <prefix>)
#       one test executable <prefix>_<area> per sub-folder <dir>/<area> that holds *_test.cpp.

set(QVX_WIN32_SYSTEM_LIBS
    user32 gdi32 gdiplus msimg32 comctl32 shell32 shlwapi advapi32 ole32 oleaut32 uuid wbemuuid
    wininet ws2_32 wsock32 iphlpapi comdlg32 mpr winmm uxtheme dwmapi version bcrypt)

function(qvx_logic_library subsystem)
    cmake_parse_arguments(ARG "" "" "DEPENDS;WIN32_DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    set(lib qvx_${subsystem})
    if(sources)
        add_library(${lib} STATIC ${sources})
        target_link_libraries(${lib} PUBLIC ${ARG_DEPENDS})
    else()
        add_library(${lib} INTERFACE)
        target_link_libraries(${lib} INTERFACE ${ARG_DEPENDS})
    endif()
    if(WIN32)
        file(GLOB win32_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win32/*.cpp)
        list(FILTER win32_sources EXCLUDE REGEX "/win_main\\.cpp$")
        if(win32_sources)
            add_library(${lib}_win32 STATIC ${win32_sources})
            target_link_libraries(${lib}_win32 PUBLIC ${lib} ${ARG_WIN32_DEPENDS} ${QVX_WIN32_SYSTEM_LIBS})
        else()
            add_library(${lib}_win32 INTERFACE)
            target_link_libraries(${lib}_win32 INTERFACE ${lib} ${ARG_WIN32_DEPENDS} ${QVX_WIN32_SYSTEM_LIBS})
        endif()
    endif()
endfunction()

# Links every test executable against every library that the tree defines; the linker takes
# only what a suite uses.
function(qvx_test_suites dir prefix)
    file(GLOB areas LIST_DIRECTORIES true RELATIVE ${dir} ${dir}/*)
    foreach(area ${areas})
        if(NOT IS_DIRECTORY ${dir}/${area})
            continue()
        endif()
        file(GLOB tests CONFIGURE_DEPENDS ${dir}/${area}/*.cpp)
        if(NOT tests)
            continue()
        endif()
        set(exe ${prefix}_${area})
        add_executable(${exe} ${tests})
        target_link_libraries(${exe} PRIVATE ${ARGN})
        add_test(NAME ${exe} COMMAND ${exe})
        set_tests_properties(${exe} PROPERTIES TIMEOUT 300)
    endforeach()
endfunction()
