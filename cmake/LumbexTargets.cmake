# Helpers shared by every layer: one static library per layer, one test binary per test file.

function(lumbex_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

find_package(GTest REQUIRED)
include(GoogleTest)

# lumbex_add_test(<name> [WIDGETS] SOURCES <files> LINKS <libraries>): one test binary, its cases
# registered with ctest. The shared test main gives every run the offscreen Qt platform and its
# own empty home, data and settings folders, so tests never touch a real library; WIDGETS gives
# it a QApplication.
function(lumbex_add_test name)
    cmake_parse_arguments(ARG "WIDGETS" "" "SOURCES;LINKS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_WIDGETS)
        set(test_main lumbex_widget_test_main)
    else()
        set(test_main lumbex_gui_test_main)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} ${test_main} GTest::gtest GTest::gmock)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 300)
endfunction()

# lumbex_add_benchmark(<name> SOURCES <files> LINKS <libraries>): one benchmark binary, built
# but not run by ctest. LINKS supplies the main() (bench/ has one that starts a GUI application).
function(lumbex_add_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    find_package(benchmark REQUIRED)
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} benchmark::benchmark)
endfunction()
