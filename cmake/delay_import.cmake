# Delay-load import libraries for system DLLs (made by cmake/make-delay-import-lib). A DLL
# imported the ordinary way is looked up before the program's first instruction runs,
# starting in the program's own folder; a delay-loaded one is looked up on first use, after
# the launcher has restricted the search to the system folder.
#
# talvore_delay_import_library(OUT_VAR dll) makes lib<dll>-delay.a once, from the exports of
# MinGW-w64's ordinary import library, and stores its path in OUT_VAR.
get_filename_component(_toolchain_prefix ${CMAKE_AR} NAME)
string(REGEX REPLACE "ar$" "" _toolchain_prefix "${_toolchain_prefix}")
find_program(TALVORE_ASSEMBLER ${_toolchain_prefix}as REQUIRED)

function(talvore_delay_import_library out_var dll)
  set(lib ${CMAKE_BINARY_DIR}/delay-imports/lib${dll}-delay.a)
  if(NOT EXISTS ${lib})
    find_file(TALVORE_IMPORT_LIB_${dll} lib${dll}.a PATHS ${CMAKE_FIND_ROOT_PATH}/lib
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT TALVORE_IMPORT_LIB_${dll})
      message(FATAL_ERROR "import library lib${dll}.a not found in ${CMAKE_FIND_ROOT_PATH}/lib")
    endif()
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delay-imports)
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/cmake/make-delay-import-lib
                            ${CMAKE_SYSTEM_PROCESSOR} ${CMAKE_NM} ${TALVORE_ASSEMBLER} ${CMAKE_AR}
                            ${TALVORE_IMPORT_LIB_${dll}} ${dll} ${lib}
                    RESULT_VARIABLE rc OUTPUT_QUIET)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "could not make the delay-load library for ${dll}.dll")
    endif()
  endif()
  set(${out_var} ${lib} PARENT_SCOPE)
endfunction()
