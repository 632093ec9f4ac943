# Packs the build tree into a Debian package in a scratch folder and runs
# lintian on it. Any error or warning tag fails; informational and pedantic
# tags are shown but pass.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB package ${WORK}/*.deb)
list(LENGTH package count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
    message(FATAL_ERROR "cpack failed: ${result}\n${output}")
endif()

# Nothing else ties the changelog to the version the package is built with.
file(STRINGS ${CHANGELOG} top LIMIT_COUNT 1)
if(NOT top MATCHES "^letterfold \\(${VERSION}\\) ")
    message(FATAL_ERROR "the changelog's latest entry is not for ${VERSION}: ${top}")
endif()

execute_process(COMMAND ${LINTIAN} --fail-on error,warning --display-info --pedantic ${package}
    RESULT_VARIABLE result OUTPUT_VARIABLE tags ERROR_VARIABLE errors)
message("${tags}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lintian: ${result}\n${errors}")
endif()
file(REMOVE_RECURSE ${WORK})
