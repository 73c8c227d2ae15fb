// Feeds arbitrary bytes to the payload reader and, when they read as a pack, extracts
// them into a scratch folder. Each input is tried as it stands and with its CRC-32
// appended (an empty stub), so the fuzzer reaches the catalog and the blocks instead
// of stopping at the check value. Anything appearing beside the target folder means a
// member escaped it.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "designpack/extract.hpp"

namespace fs = std::filesystem;
using namespace pw::designpack;

namespace {

const fs::path& ScratchRoot() {
    static const fs::path root = [] {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        const fs::path path = base / ("designpack-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(path);
        return path;
    }();
    return root;
}

void ExpectNothingOutsideTarget(const fs::path& target) {
    for (const auto& entry : fs::directory_iterator(ScratchRoot()))
        if (entry.path() != target) std::abort();
}

void ReadAndExtract(std::span<const std::uint8_t> pack) {
    MemorySource source(pack);
    Catalog catalog;
    if (ReadPayload(source, catalog)) return;

    std::vector<std::uint8_t> icon;
    (void)ExtractIcon(source, catalog, icon);

    const fs::path target = ScratchRoot() / "target";
    std::error_code ignored;
    fs::create_directories(target);

    // Cycle through every answer; rename proposes a fresh name inside the target.
    unsigned questions = 0;
    ExtractionSession session;
    session.askFileExists = [&](const fs::path&) { return static_cast<FileExistsAnswer>(questions++ % 6); };
    session.askNewName = [&](const fs::path&) -> std::optional<fs::path> {
        return target / ("renamed" + std::to_string(questions));
    };
    ExtractReport report;
    (void)ExtractAll(source, catalog, target, session, report);
    (void)DeleteExtracted(catalog, target);
    ExpectNothingOutsideTarget(target);
    fs::remove_all(target, ignored);  // libFuzzer may end with _Exit, so leave nothing behind now
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadAndExtract({data, size});

    std::vector<std::uint8_t> sealed(data, data + size);
    const std::uint32_t crc = Crc32(0, {data, size});
    for (int shift = 0; shift < 32; shift += 8) sealed.push_back(static_cast<std::uint8_t>(crc >> shift));
    ReadAndExtract(sealed);
    return 0;
}
