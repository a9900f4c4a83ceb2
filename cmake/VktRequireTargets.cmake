# vkt_require_targets(<consumer> <target>...): stops the configure step when a target that
# <consumer> links or runs does not exist. A misspelt dependency, or a folder that was not
# added, must fail loudly: a guard that quietly skipped the consumer would drop its tests from
# the suite without anyone noticing.
function(vkt_require_targets consumer)
    foreach(dependency IN LISTS ARGN)
        if(NOT TARGET ${dependency})
            message(FATAL_ERROR
                "${consumer} needs the target '${dependency}', which is not defined "
                "(a misspelt name, or the folder that defines it was not added before this one)")
        endif()
    endforeach()
endfunction()
