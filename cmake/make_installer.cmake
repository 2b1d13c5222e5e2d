# Makes the host's installer file: installs the plugin folder into a clean place and zips it
# with CMake's own zip, the folder at the zip's root.
set(stage "${BUILD_DIR}/installer")
file(REMOVE_RECURSE "${stage}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${stage}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the install into ${stage} failed")
endif()
file(REMOVE "${OUTPUT}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${OUTPUT}" --format=zip "${FOLDER}"
                WORKING_DIRECTORY "${stage}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "zipping ${stage}/${FOLDER} failed")
endif()
message(STATUS "Made ${OUTPUT}")
