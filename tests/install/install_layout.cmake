# Installs the build into a fresh prefix and checks that it holds exactly what the phone
# loads: the library and its filter, named after the add-on, in the hook engine's folder, and
# the settings pane in the pane loader's. Run by ctest with -DBUILD_DIR, -DPREFIX, -DCONFIG,
# -DLIBRARY (the built library), -DFILTER (the source filter), -DPANE (the source pane) and
# -DSUFFIX (the platform's library suffix).
file(REMOVE_RECURSE "${PREFIX}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" --config "${CONFIG}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(folder Library/MobileSubstrate/DynamicLibraries)
set(paneFolder Library/PreferenceLoader/Preferences)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
set(expected "${folder}/Nimbrel.plist;${folder}/Nimbrel${SUFFIX};${paneFolder}/Nimbrel.plist")
list(SORT expected)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed files: [${installed}]\nexpected: [${expected}]")
endif()

foreach(pair "${folder}/Nimbrel${SUFFIX}=${LIBRARY}" "${folder}/Nimbrel.plist=${FILTER}"
             "${paneFolder}/Nimbrel.plist=${PANE}")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${PREFIX}/${name}"
                          "${source}" RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} is not a copy of ${source}")
  endif()
endforeach()

# The loader maps the library, so it must be an executable ELF shared object.
file(READ "${PREFIX}/${folder}/Nimbrel${SUFFIX}" magic LIMIT 4 HEX)
if(NOT magic STREQUAL "7f454c46")
  message(FATAL_ERROR "Nimbrel${SUFFIX} is not an ELF file (starts ${magic})")
endif()
execute_process(COMMAND test -x "${PREFIX}/${folder}/Nimbrel${SUFFIX}" RESULT_VARIABLE notx)
if(NOT notx EQUAL 0)
  message(FATAL_ERROR "Nimbrel${SUFFIX} is not executable")
endif()
file(REMOVE_RECURSE "${PREFIX}")
