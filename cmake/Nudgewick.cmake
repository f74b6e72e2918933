# nw_library(name SOURCES ... DEPS ...): one static library per subsystem folder.
function(nw_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(nw_${name} STATIC ${ARG_SOURCES})
    target_include_directories(nw_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(nw_${name} PUBLIC nw_options ${ARG_DEPS})
endfunction()

# nw_test(name SOURCES ... DEPS ...): a QtTest executable run headless by CTest.
function(nw_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE nw_options Qt6::Test ${ARG_DEPS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    # The program's modules are loaded from the build tree.
    add_dependencies(${name} nw_modules)
    set_tests_properties(${name} PROPERTIES
        # Each test has a configuration folder of its own, so none touches
        # the user's autostart entries or another test's; and no session
        # bus, so no alarm reaches the user's desktop notifications.
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}-config;DBUS_SESSION_BUS_ADDRESS=unix:path=${CMAKE_CURRENT_BINARY_DIR}/${name}-no-bus;NUDGEWICK_MODULE_DIR=${PROJECT_BINARY_DIR}"
        TIMEOUT 300)
endfunction()

# Heavy libraries (sound, printing, the network, mdbtools, libical) are kept
# out of the program's start: the code that uses them is built as modules,
# libnw_<name>.so, which core/ModuleLoader loads on first use. In a build
# tree they lie beside the executable; installed, in <libdir>/nudgewick.
include(GNUInstallDirs)
set(NW_MODULE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/nudgewick)
file(RELATIVE_PATH NW_MODULE_DIR_FROM_BINDIR /${CMAKE_INSTALL_BINDIR} /${NW_MODULE_INSTALL_DIR})
# Every module; the program and the tests are built after them.
add_custom_target(nw_modules)

# nw_module(name SOURCES ... DEPS ...): the module libnw_<name>.so. Only its
# factories (NW_MODULE_EXPORT) are visible. The static libraries it links
# are built position-independent for it, so DEPS names each of them, also
# those it only reaches through another.
function(nw_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    set(target nw_${name}_module)
    add_library(${target} MODULE ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE nw_options ${ARG_DEPS})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME nw_${name}
        LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    # A library the module needs that is missing fails the build, not the load.
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
    foreach(dep IN LISTS ARG_DEPS)
        if(dep MATCHES "^nw_")
            set_target_properties(${dep} PROPERTIES POSITION_INDEPENDENT_CODE ON)
        endif()
    endforeach()
    install(TARGETS ${target} LIBRARY DESTINATION ${NW_MODULE_INSTALL_DIR})
    add_dependencies(nw_modules ${target})
endfunction()
