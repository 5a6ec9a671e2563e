# Static checks run as tests: clang-tidy with the repository's .clang-tidy
# over every library and the program (one test per folder, so they run side
# by side), and the house rules of scripts/check-layout.sh.

find_program(QUORVEL_CLANG_TIDY clang-tidy)
if(QUORVEL_CLANG_TIDY AND NOT QUORVEL_SANITIZE)
    foreach(folder platform pathutil exclude store backup restore check prune ui backup/windows restore/windows check/windows prune/windows app app/cli)
        file(GLOB _tidy_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
        string(REPLACE "/" "_" _name "clang_tidy_${folder}")
        add_test(NAME ${_name} COMMAND "${QUORVEL_CLANG_TIDY}" -p "${CMAKE_BINARY_DIR}" --quiet ${_tidy_sources})
        set_tests_properties(${_name} PROPERTIES TIMEOUT 900 LABELS static)
    endforeach()
endif()

add_test(NAME layout_and_format COMMAND "${PROJECT_SOURCE_DIR}/scripts/check-layout.sh")
set_tests_properties(layout_and_format PROPERTIES TIMEOUT 300 LABELS static)
