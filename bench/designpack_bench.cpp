// Extraction speed of the design pack engine against a bare loop that inflates and
// writes the same blocks with nothing else (no name checks, questions, time stamps or
// progress). Both run in the same process on the same pack; the ratio is printed last.
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "designpack/extract.hpp"
#include "designpack/pack_writer.hpp"

namespace fs = std::filesystem;
using namespace pw::designpack;

namespace {

constexpr std::size_t kFiles = 48;
constexpr std::size_t kFileSize = 1 << 20;  // 48 MB of text-like data in all

// Words drawn at random: compresses to roughly a third, like page templates and text.
std::vector<std::uint8_t> TextLikeBytes(std::size_t size, unsigned seed) {
    static const char* const words[] = {"<p>",        "design ", "page ",  "the ", "</p>\n", "%%texta%% ",
                                        "graf1.gif ", "colour ", "table ", "<br>", "KW5 ",   "site "};
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size + 16);
    while (bytes.size() < size) {
        const char* word = words[random() % std::size(words)];
        bytes.insert(bytes.end(), word, word + std::char_traits<char>::length(word));
        if (random() % 7 == 0) bytes.push_back(static_cast<std::uint8_t>('a' + random() % 26));
    }
    bytes.resize(size);
    return bytes;
}

// The pack on disk, its catalog, and every block's place, made once.
struct LargePack {
    fs::path folder = fs::temp_directory_path() / ("designpack-bench-" + std::to_string(::getpid()));
    fs::path file = folder / "large.pack";
    std::unique_ptr<FileSource> source;
    Catalog catalog;

    LargePack() {
        fs::create_directories(folder);
        PackContents contents;
        contents.stub = std::vector<std::uint8_t>(4096, 0x90);
        contents.members.push_back({MemberRecord{"pack.ico"}, std::vector<std::uint8_t>{'I'}});
        for (std::size_t i = 0; i < kFiles; ++i)
            contents.members.push_back(
                {MemberRecord{"design/file" + std::to_string(i) + ".htx"}, TextLikeBytes(kFileSize, unsigned(i))});
        contents.flags.bits = PackFlags::kOverwrite;
        std::ofstream out(file, std::ios::binary);
        if (WritePack(contents, out, {6})) std::abort();
        out.close();
        std::error_code error;
        source = FileSource::open(file, error);
        if (!source || ReadPayload(*source, catalog)) std::abort();
    }
    ~LargePack() { fs::remove_all(folder); }
};

LargePack& Pack() {
    static LargePack pack;
    return pack;
}

void BM_ExtractAll(benchmark::State& state) {
    LargePack& pack = Pack();
    const fs::path target = pack.folder / "engine";
    fs::create_directories(target);
    for (auto _ : state) {
        ExtractionSession session;
        ExtractReport report;
        if (ExtractAll(*pack.source, pack.catalog, target, session, report) || !report.passedOver.empty()) std::abort();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kFiles * kFileSize);
}

// The floor: pread each block, uncompress it, write it; one file per member.
void BM_BareInflateWriteLoop(benchmark::State& state) {
    LargePack& pack = Pack();
    const fs::path target = pack.folder / "bare";
    fs::create_directories(target / "design");
    const int fd = ::open(pack.file.c_str(), O_RDONLY);
    std::vector<std::uint8_t> input(kMaxBlockStored), output(kMaxBlockInflated);
    for (auto _ : state) {
        std::uint64_t offset = pack.catalog.memberAreaOffset + pack.catalog.members[0].storedSize;
        for (std::size_t i = 1; i < pack.catalog.members.size(); ++i) {
            const MemberRecord& member = pack.catalog.members[i];
            const int out = ::open((target / member.name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            for (const std::uint64_t end = offset + member.storedSize; offset < end;) {
                std::uint8_t header[2];
                (void)!::pread(fd, header, 2, off_t(offset));
                const std::size_t length = header[0] | header[1] << 8;
                (void)!::pread(fd, input.data(), length, off_t(offset + 2));
                uLongf produced = output.size();
                ::uncompress(output.data(), &produced, input.data(), length);
                (void)!::write(out, output.data(), produced);
                offset += 2 + length;
            }
            ::close(out);
        }
    }
    ::close(fd);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kFiles * kFileSize);
}

BENCHMARK(BM_BareInflateWriteLoop)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ExtractAll)->Unit(benchmark::kMillisecond)->MinTime(3);

// Keeps each benchmark's mean real time per iteration for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto bare = reporter.times.find("BM_BareInflateWriteLoop");
    const auto engine = reporter.times.find("BM_ExtractAll");
    if (bare != reporter.times.end() && engine != reporter.times.end())
        std::printf("\nExtraction speed relative to the bare inflate-and-write loop: %.2fx (target: 0.80x or better)\n",
                    bare->second / engine->second);
    benchmark::Shutdown();
    return 0;
}
