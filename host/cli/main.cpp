// panelhost: the substitute panel host's command line (host/cli/commands.h).
#include <iostream>
#include <string>
#include <vector>

#include "host/cli/commands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return run_command_line(args, std::cout, std::cerr);
}
