# Writes OUTPUT, a C++ file that defines NAME as the bytes of INPUT and
# NAME_SIZE as their number, so a program carries the file in itself.
# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=kName -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.new"
  "// The bytes of ${name}, written by cmake/EmbedFile.cmake: do not edit.\n"
  "#include <cstddef>\n\n"
  "extern const unsigned char ${NAME}[] = {${bytes}};\n"
  "extern const std::size_t ${NAME}Size = sizeof ${NAME};\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
