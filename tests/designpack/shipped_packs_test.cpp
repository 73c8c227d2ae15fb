// The three design packs the build makes: each reads, carries the design updater's
// settings, and extracts the design files the builder needs into an empty folder.
#include <gtest/gtest.h>

#include "designpack/extract.hpp"
#include "tests/temp_folder.hpp"

namespace pw::designpack {
namespace {

namespace fs = std::filesystem;

TEST(ShippedPacksTest, EachPackReadsWithItsSettingsAndExtractsTheDesign) {
    for (const char* name : {"comp1.exe", "comp2.exe", "comp3.exe"}) {
        std::error_code error;
        auto source = FileSource::open(fs::path(PW_INSTALL_DIR) / name, error);
        ASSERT_TRUE(source) << name << ": " << error.message();
        Catalog catalog;
        ASSERT_FALSE(ReadPayload(*source, catalog)) << name;

        EXPECT_EQ(catalog.settings.caption, "Design Updater") << name;
        EXPECT_EQ(catalog.settings.prompt, "Click 'OK' to continue.") << name;
        EXPECT_EQ(catalog.settings.publisherName, "KW5 Software") << name;
        EXPECT_EQ(catalog.settings.defaultTarget, "default") << name;
        EXPECT_EQ(catalog.flags.bits, PackFlags::kOverwrite) << name;
        ASSERT_EQ(catalog.components.size(), 1u) << name;
        ASSERT_EQ(catalog.components[0].requirements.size(), 1u) << name;
        EXPECT_EQ(catalog.components[0].requirements[0].name, "libQt6Widgets.so.6") << name;
        EXPECT_EQ(catalog.components[0].requirements[0].value, "") << name;

        std::vector<std::uint8_t> icon;
        ASSERT_FALSE(ExtractIcon(*source, catalog, icon)) << name;
        ASSERT_GE(icon.size(), 6u);
        EXPECT_EQ(icon[2], 1) << "an .ico directory starts 0, 0, 1, 0";

        test::TempFolder target;
        ExtractionSession session;
        ExtractReport report;
        ASSERT_FALSE(ExtractAll(*source, catalog, target.path(), session, report)) << name;
        EXPECT_TRUE(report.passedOver.empty()) << name;
        for (const char* file : {"temp311.htx", "stock", "graf1.gif"})
            EXPECT_GT(fs::file_size(target.path() / file), 0u) << name << " " << file;
    }
}

}  // namespace
}  // namespace pw::designpack
