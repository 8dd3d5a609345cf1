cmake_minimum_required(VERSION 3.25)
# Fails unless `PROGRAM --help` and the manual page MANUAL name the same
# options (-x and --word, wherever they appear in the text).
function(options_named text result)
    string(REGEX REPLACE "\\\\f[BIRP]|\\\\[,/&]" "" text "${text}")  # roff font changes
    string(REPLACE "\\-" "-" text "${text}")
    string(REGEX REPLACE "[][\\\\;\"'(),.:=|\n\t ]+" ";" words "${text}")
    list(FILTER words INCLUDE REGEX "^(-[A-Za-z]|--[a-z][a-z0-9-]*)$")
    list(REMOVE_DUPLICATES words)
    list(SORT words)
    set(${result} "${words}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
file(READ ${MANUAL} manual)
options_named("${help}" in_help)
options_named("${manual}" in_manual)
if(NOT in_help STREQUAL in_manual)
    message(FATAL_ERROR "--help names ${in_help}\n${MANUAL} names ${in_manual}\n"
                        "Run scripts/update-manuals.sh (see DEVELOPERS.md).")
endif()
