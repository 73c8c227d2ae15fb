#pragma once
// A site folder laid out as the first start leaves it: every field file holds one empty
// record named Text1, every section holds the product name, and the shipped design files
// are copied from the source tree's content/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "builder/store/site_files.hpp"
#include "tests/temp_folder.hpp"

namespace pw::test {

inline const std::filesystem::path kShippedContent = std::filesystem::path(PW_SOURCE_DIR) / "content";

// Creates <inst>/<site> as a first start does and returns its path.
inline std::filesystem::path SeedFirstStartSite(const TempFolder& inst, const std::string& site = "default") {
    namespace fs = std::filesystem;
    const fs::path folder = inst.path() / site;
    fs::create_directories(folder);
    for (const char* fieldFile : {"oneBox.txt", "twoBox.txt", "threeBox.txt", "pagebox.txt"}) {
        inst.Write(folder / fieldFile, "\"\",\"Text1\"\r\n");
    }
    for (const char* section : {"rtemp1.txt", "rtemp2.txt", "rtemp3.txt", "rtemp31.txt", "rtemp32.txt", "rtemp33.txt"}) {
        EXPECT_TRUE(store::SaveSection(folder / section, "Kw5 SiteFoundry").has_value()) << section;
    }
    for (const char* shipped : {"temp311.htx", "graf1.gif", "graf2.jpg", "stock"}) {
        fs::copy_file(kShippedContent / shipped, folder / shipped, fs::copy_options::overwrite_existing);
    }
    inst.Write(inst.path() / "Default.ste", "");
    return folder;
}

}  // namespace pw::test
