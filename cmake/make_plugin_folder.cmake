# Run by `cmake --install`: once the programs are in the plugin folder's bin/, keyscript-host
# makes the whole folder from the examples, as it makes an author's (`keyscript-host plugin`),
# beside the install; it then takes the place of what was installed.
set(prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(folder "${prefix}/${KEYSCRIPT_PLUGIN_FOLDER}")
set(stage "${prefix}/.keyscript-plugin")
file(REMOVE_RECURSE "${stage}")
execute_process(
    COMMAND ${KEYSCRIPT_EMULATOR} "${folder}/bin/${KEYSCRIPT_HOST_PROGRAM}" plugin
            --cmd "${KEYSCRIPT_EXAMPLES}" --out "${stage}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    file(REMOVE_RECURSE "${stage}")
    message(FATAL_ERROR "keyscript-host plugin failed (${result}):\n${output}${errors}")
endif()
file(REMOVE_RECURSE "${folder}")
file(RENAME "${stage}/${KEYSCRIPT_PLUGIN_FOLDER}" "${folder}")
file(REMOVE_RECURSE "${stage}")
message(STATUS "Made: ${folder}")
