#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace pw::test {

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        path_ =
            std::filesystem::temp_directory_path() / ("pw-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path Write(const std::filesystem::path& relative, const std::string& bytes) const {
        const auto file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    static std::string Read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

private:
    std::filesystem::path path_;
};

}  // namespace pw::test
