# Delay-loading of system DLLs: the DLL is loaded at the first call into it instead of before the
# program starts. labelprint.exe uses it for OLE, the shell and the common dialogs, which it needs
# only once its window is built (COM is first used on a worker thread that starts BarTender).
function(labelprint_delay_load target)
  if(MSVC)
    foreach(dll IN LISTS ARGN)
      target_link_options(${target} PRIVATE /DELAYLOAD:${dll}.dll)
    endforeach()
    target_link_libraries(${target} PRIVATE delayimp)
  elseif(MINGW)
    # The delay-import libraries take the ordinary ones' names in a folder searched first, so every
    # -l<dll> of the link, wherever it comes from, picks them.
    get_filename_component(bin_dir ${CMAKE_CXX_COMPILER} DIRECTORY)
    string(REGEX REPLACE "g\\+\\+(-posix)?$" "" prefix ${CMAKE_CXX_COMPILER})
    find_program(LABELPRINT_NM NAMES ${prefix}nm x86_64-w64-mingw32-nm REQUIRED)
    find_program(LABELPRINT_DLLTOOL NAMES ${prefix}dlltool x86_64-w64-mingw32-dlltool REQUIRED)
    set(dir ${CMAKE_BINARY_DIR}/delayload)
    set(outputs)
    foreach(dll IN LISTS ARGN)
      find_library(import_${dll} NAMES lib${dll}.a PATHS ${CMAKE_FIND_ROOT_PATH}/lib NO_DEFAULT_PATH REQUIRED)
      add_custom_command(OUTPUT ${dir}/lib${dll}.a
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${CMAKE_SOURCE_DIR}/cmake/make-delay-import.sh ${LABELPRINT_NM} ${LABELPRINT_DLLTOOL}
                ${import_${dll}} ${dll}.dll ${dir}/lib${dll}.a
        DEPENDS ${import_${dll}} ${CMAKE_SOURCE_DIR}/cmake/make-delay-import.sh
        COMMENT "Delay-import library for ${dll}.dll")
      list(APPEND outputs ${dir}/lib${dll}.a)
    endforeach()
    add_custom_target(${target}_delay_imports DEPENDS ${outputs})
    add_dependencies(${target} ${target}_delay_imports)
    target_link_directories(${target} BEFORE PRIVATE ${dir})
    # The helper that loads a DLL at its first call.
    target_link_libraries(${target} PRIVATE delayimp)
  endif()
endfunction()
