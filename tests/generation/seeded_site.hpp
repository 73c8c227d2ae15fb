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
    const std::filesystem::path folder = inst.path() / site;
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(store::FillNewSite(folder, kShippedContent).has_value());
    inst.Write(inst.path() / "Default.ste", "");
    return folder;
}

}  // namespace pw::test
