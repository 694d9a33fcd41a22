# Writes INPUT as a C++ byte array NAME (with NAME_size) into the header OUTPUT.
# Run with cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P embed.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keeps the header readable in a diff tool.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
get_filename_component(input_name ${INPUT} NAME)
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${input_name} at build time; do not edit.\n"
  "#pragma once\n"
  "#include <cstddef>\n"
  "static const unsigned char ${NAME}[] = {\n${bytes}\n};\n"
  "static const std::size_t ${NAME}_size = ${size};\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
