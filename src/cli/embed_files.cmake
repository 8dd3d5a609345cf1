# Writes OUTPUT, a C++ source holding each of the files in INPUTS as a byte
# array, so a program can carry pictures without a resource system.
# Usage: cmake -DOUTPUT=out.cpp -DINPUTS="a.bmp;b.bmp" -DNAMESPACE=ns -P embed_files.cmake
set(source "// Generated from ${INPUTS}; do not edit.\n#include <cstddef>\n\nnamespace ${NAMESPACE} {\n")
foreach(input IN LISTS INPUTS)
    get_filename_component(stem "${input}" NAME_WE)
    file(READ "${input}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(APPEND source
        "extern const unsigned char k_${stem}[] = {${bytes}};\n"
        "extern const std::size_t k_${stem}_size = ${size};\n")
endforeach()
string(APPEND source "}  // namespace ${NAMESPACE}\n")
file(WRITE "${OUTPUT}.new" "${source}")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
