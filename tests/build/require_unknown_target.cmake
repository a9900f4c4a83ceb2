# Run with cmake -P: a consumer that names a target nobody defines must stop the configure
# step with an error, never be skipped in silence.
include(${VKT_SOURCE_DIR}/cmake/VktRequireTargets.cmake)
vkt_require_targets(test_consumer vkt32_static_misspelt)
message(STATUS "consumer configured")
