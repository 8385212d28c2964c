// The logger program.
#include <string>
#include <vector>

#include "driver/Program.h"

int main(int argc, char** argv) { return runProgram(std::vector<std::string>(argv + 1, argv + argc)); }
