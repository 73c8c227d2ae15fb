// The built program's `publish` runs without any display and sends the site.
#include <gtest/gtest.h>

#include "tests/publisher/test_servers.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;

TEST(PublishProgram, RunsWithoutADisplayAndSendsTheSite) {
    test::TempFolder inst;
    fs::create_directories(inst.path() / "server/www");
    test::PyFtpServer server(inst.path() / "server", "me", "pw", {});
    inst.Write("default/index.html", "<html>home</html>");
    inst.Write("default/ftp.txt", "\"pw\",\"Password\"\r\n\"me\",\"UserName\"\r\n\"127.0.0.1:" +
                                      std::to_string(server.port()) + "\",\"Host\"\r\n");
    const std::string program = std::string(PW_INSTALL_DIR) + "/pagewright";
    std::string out;
    const int exit =
        test::RunCommand({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                          "PAGEWRIGHT_HOME=" + inst.path().string(), program, "publish"},
                         &out);
    EXPECT_EQ(exit, 0) << out;
    EXPECT_TRUE(out.starts_with("sent index.html (17 bytes)\n")) << out;
    EXPECT_EQ(test::TempFolder::Read(inst.path() / "server/www/index.html"), "<html>home</html>");
}

}  // namespace
}  // namespace pw
