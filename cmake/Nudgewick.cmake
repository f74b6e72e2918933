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
    set_tests_properties(${name} PROPERTIES
        # Each test has a configuration folder of its own, so none touches
        # the user's autostart entries or another test's; and no session
        # bus, so no alarm reaches the user's desktop notifications.
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}-config;DBUS_SESSION_BUS_ADDRESS=unix:path=${CMAKE_CURRENT_BINARY_DIR}/${name}-no-bus"
        TIMEOUT 300)
endfunction()
