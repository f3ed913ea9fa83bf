# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# For each Windows program that ships: its icon, manifest and version resources (app/windows/program.rc).
enable_language(RC)
function(zoraven_program_resources program)
    set(resources ${PROJECT_SOURCE_DIR}/app/windows/program.rc)
    target_sources(${program} PRIVATE ${resources})
    target_include_directories(${program} PRIVATE ${PROJECT_SOURCE_DIR}/window/windows)
    target_compile_definitions(${program} PRIVATE ZORAVEN_PROGRAM=${program} ZORAVEN_VERSION=${PROJECT_VERSION}
        ZORAVEN_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} ZORAVEN_VERSION_MINOR=${PROJECT_VERSION_MINOR})
    set_source_files_properties(${resources} PROPERTIES OBJECT_DEPENDS
        "${PROJECT_SOURCE_DIR}/app/windows/zoraven-frontend.ico;${PROJECT_SOURCE_DIR}/app/windows/zoraven-frontend.manifest")
endfunction()
