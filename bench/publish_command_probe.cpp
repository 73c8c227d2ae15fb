// `pagewright publish` without the program around it, for bench/publish_bench.sh: the
// command's own time, apart from what starting the pagewright program costs.
// Usage: publish_command_probe INSTALLATION [publish options...]
#include <iostream>
#include <string>
#include <vector>

#include "publisher/publish_command.hpp"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::cerr << "usage: publish_command_probe INSTALLATION [publish options...]\n";
        return 2;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    return pw::publisher::RunPublishCommand(argv[1], args, std::cout, std::cerr);
}
