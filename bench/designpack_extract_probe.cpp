// Reads a pack and extracts it, then prints the process's peak resident memory (VmHWM)
// so bench/designpack_memory.sh can compare a small pack with a large one.
// Usage: designpack_extract_probe PACK TARGET
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "designpack/extract.hpp"

using namespace pw::designpack;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: designpack_extract_probe PACK TARGET\n";
        return 2;
    }
    std::error_code error;
    auto source = FileSource::open(argv[1], error);
    Catalog catalog;
    if (source) error = ReadPayload(*source, catalog);
    ExtractionSession session;
    ExtractReport report;
    if (!error) error = ExtractAll(*source, catalog, argv[2], session, report);
    if (error) {
        std::cerr << "extraction failed: " << error.message() << "\n";
        return 1;
    }
    if (!report.passedOver.empty()) {
        std::cerr << report.passedOver.size() << " members not written, first: " << report.passedOver[0].name << "\n";
        return 1;
    }
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) std::cout << line << "\n";
    return 0;
}
