# Heavy libraries (FFmpeg, Tesseract, Poppler) are kept out of the executable's start-up: the code
# that uses them is also built as a module of its own, which the application opens on first use.

include(GNUInstallDirs)

# Where an installed executable finds its modules, relative to its own folder.
file(RELATIVE_PATH LUMBEX_MODULE_FOLDER_FROM_EXECUTABLE /${CMAKE_INSTALL_BINDIR}
    /${CMAKE_INSTALL_LIBDIR}/lumbex)

# Static libraries that end up in a module must be position-independent; the rest stay as they
# are.
function(lumbex_make_position_independent target)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "STATIC_LIBRARY")
        get_target_property(done ${target} POSITION_INDEPENDENT_CODE)
        if(done)
            return()
        endif()
        set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
        get_target_property(links ${target} LINK_LIBRARIES)
    else()
        get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
    endif()
    foreach(link IN LISTS links)
        if(TARGET ${link} AND link MATCHES "^lumbex_")
            lumbex_make_position_independent(${link})
        endif()
    endforeach()
endfunction()

# lumbex_add_module(<name> IMPLEMENTATION <static library> FILE <module file name>
#                   ENTRY <sources> CLIENT <sources> CLIENT_LINKS <libraries>)
# Other libraries link <name>. A target with the property LUMBEX_OPENS_MODULES (the application)
# gets the client: the implementation's entry points, each opening the module <FILE> (the
# implementation with ENTRY's exported table) on first use. Every other target (tests, benchmarks,
# tools) gets the implementation itself.
function(lumbex_add_module name)
    cmake_parse_arguments(ARG "" "IMPLEMENTATION;FILE" "ENTRY;CLIENT;CLIENT_LINKS" ${ARGN})
    add_library(${name} INTERFACE)
    if(LUMBEX_LIBRARIES_ONLY)
        target_link_libraries(${name} INTERFACE ${ARG_IMPLEMENTATION})
        return()
    endif()

    add_library(${name}_module MODULE ${ARG_ENTRY})
    target_link_libraries(${name}_module PRIVATE ${ARG_IMPLEMENTATION})
    # Only the entry table is exported; everything else binds inside the module.
    target_link_options(${name}_module PRIVATE -Wl,--exclude-libs,ALL -Wl,-z,defs)
    set_target_properties(${name}_module PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${ARG_FILE}
        LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
    set_property(GLOBAL APPEND PROPERTY LUMBEX_MODULE_IMPLEMENTATIONS ${ARG_IMPLEMENTATION})

    lumbex_add_library(${name}_client SOURCES ${ARG_CLIENT}
        LINKS lumbex_module_loader ${ARG_CLIENT_LINKS})
    target_link_libraries(${name} INTERFACE
        "$<IF:$<BOOL:$<TARGET_PROPERTY:LUMBEX_OPENS_MODULES>>,${name}_client,${ARG_IMPLEMENTATION}>")
    set_property(GLOBAL APPEND PROPERTY LUMBEX_MODULES ${name}_module)
endfunction()

# Once every target is defined: the static libraries in the modules become position-independent.
function(lumbex_finish_modules)
    get_property(implementations GLOBAL PROPERTY LUMBEX_MODULE_IMPLEMENTATIONS)
    foreach(implementation IN LISTS implementations)
        lumbex_make_position_independent(${implementation})
    endforeach()
endfunction()
