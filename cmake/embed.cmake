# Writes a C++ source that holds each input file as a byte array.
# Usage: cmake -DOUTPUT=file.cpp -DINPUTS="a.bmp=boardBitmap;b.wav=clickWave" -P embed.cmake
set(source "// Generated from the files in src/assets and packaging/example.toml; do not edit.\n#include \"assets/Assets.h\"\n")
foreach(pair IN LISTS INPUTS)
  string(REPLACE "=" ";" parts "${pair}")
  list(GET parts 0 path)
  list(GET parts 1 name)
  file(READ "${path}" hex HEX)
  file(SIZE "${path}" size)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
  string(APPEND source "\nconst unsigned char ${name}[] = {\n${bytes}\n};\nconst std::size_t ${name}Size = ${size};\n")
endforeach()
file(WRITE "${OUTPUT}" "${source}")
