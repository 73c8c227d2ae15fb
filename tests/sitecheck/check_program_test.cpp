// The built program's `check` runs without any display, before any window is made.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/generation/seeded_site.hpp"
#include "tests/publisher/test_servers.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

int RunCheck(const test::TempFolder& inst, const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> argv = {"/usr/bin/env",
                                     "-u",
                                     "DISPLAY",
                                     "-u",
                                     "WAYLAND_DISPLAY",
                                     "-u",
                                     "QT_QPA_PLATFORM",
                                     "PAGEWRIGHT_HOME=" + inst.path().string(),
                                     std::string(PW_INSTALL_DIR) + "/pagewright",
                                     "check"};
    argv.insert(argv.end(), args.begin(), args.end());
    return test::RunCommand(argv, out);
}

TEST(CheckProgram, ChecksTheSiteWithoutADisplay) {
    test::TempFolder inst;
    test::SeedFirstStartSite(inst);
    std::string out;
    EXPECT_EQ(RunCheck(inst, {}, &out), 1) << out;
    EXPECT_EQ(std::ranges::count(out, '\n'), 18) << out;  // three pages never made, five sample texts each
    EXPECT_TRUE(out.starts_with("index.html: page One (\"Home\") has never been made")) << out;

    EXPECT_EQ(RunCheck(inst, {"--site", "shop"}, &out), 2);
    EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace pw
