#include "tool/tool_host.h"

std::vector<std::string> Tool_Arguments(int argc, char **argv) { return {argv, argv + argc}; }
