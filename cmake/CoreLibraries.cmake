# The core libraries (the store, the runs and everything below them) must run
# without a display. Two walls keep them so:
#  - a header that stands for Qt's widget and GUI headers comes first on their
#    include path and stops the compilation of any file that includes one;
#  - after configuring, no core library may link Qt Gui or Qt Widgets, directly
#    or through another library.

set(QUORVEL_CORE_LIBRARIES "" CACHE INTERNAL "")

function(quorvel_core_library target)
    target_include_directories(${target} BEFORE PRIVATE "${PROJECT_SOURCE_DIR}/cmake/core-guard")
    set(QUORVEL_CORE_LIBRARIES "${QUORVEL_CORE_LIBRARIES};${target}" CACHE INTERNAL "")
endfunction()

function(_quorvel_links_gui target result)
    set(found "")
    get_target_property(links ${target} LINK_LIBRARIES)
    if(links)
        foreach(link IN LISTS links)
            if(link MATCHES "^Qt6::(Gui|Widgets)$")
                set(found "${link}")
            elseif(TARGET ${link} AND NOT link MATCHES "^Qt6::")
                _quorvel_links_gui(${link} inner)
                if(inner)
                    set(found "${link} -> ${inner}")
                endif()
            endif()
            if(found)
                break()
            endif()
        endforeach()
    endif()
    set(${result} "${found}" PARENT_SCOPE)
endfunction()

function(quorvel_check_core_libraries)
    foreach(target IN LISTS QUORVEL_CORE_LIBRARIES)
        if(target)
            _quorvel_links_gui(${target} gui)
            if(gui)
                message(FATAL_ERROR "The core library ${target} links ${gui}; core libraries link Qt Core only.")
            endif()
        endif()
    endforeach()
endfunction()
