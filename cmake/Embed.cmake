# Builds a C++ source holding files as byte arrays:
#   cmake -DOUTPUT=out.cpp -DNAMES=a|b -DFILES=a.png|b.png -P Embed.cmake
# Each NAME becomes `extern const unsigned char NAME[]` and `extern const size_t NAME_size`.
string(REPLACE "|" ";" NAMES "${NAMES}")
string(REPLACE "|" ";" FILES "${FILES}")
set(text "#include <cstddef>\n\n")
list(LENGTH NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    list(GET NAMES ${i} name)
    list(GET FILES ${i} file)
    file(READ "${file}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(LENGTH "${hex}" length)
    math(EXPR size "${length} / 2")
    string(APPEND text "extern const unsigned char ${name}[] = {${bytes}};\n")
    string(APPEND text "extern const size_t ${name}_size = ${size};\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
