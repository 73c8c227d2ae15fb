// What a host sends, made safe to show, and the names a download may not take.
#include <gtest/gtest.h>

#include "publisher/host_text.hpp"
#include "publisher/local_files.hpp"

namespace pw::publisher {
namespace {

TEST(ShownFromHost, ReplacesControlCharactersAndMasksAStandAlonePassword) {
    struct Case {
        std::string text, password, shown;
    };
    const std::vector<Case> cases = {
        {"530 Login incorrect.", "pw", "530 Login incorrect."},
        {"530 \x1b[2J\x1b]0;title\x07 bad\r\n", "", "530 ?[2J?]0;title? bad??"},
        {"tab\there \x7f del", "", "tab?here ? del"},
        {"C1 \xc2\x9b"
         "31m red, but \xc2\xa0 and \xc3\xa9 stay",
         "", "C1 ?31m red, but \xc2\xa0 and \xc3\xa9 stay"},
        {"530 Password hunter2 is not right.", "hunter2", "530 Password ******** is not right."},
        {"hunter2x and xhunter2 are other words", "hunter2", "hunter2x and xhunter2 are other words"},
        {"pass:a\tb.", "a\tb", "pass:********."},  // masked before its control character is replaced
        {"a * b", "*", "a ******** b"},            // a password of stars ends, past its own mask
        {"cut at the end \xc2", "", "cut at the end \xc2"},
    };
    for (const Case& c : cases) EXPECT_EQ(ShownFromHost(c.text, c.password), c.shown) << c.text;
}

TEST(DownloadRefusal, RefusesTheSitesOwnFilesAndNamesThatAreNoPlainFileName) {
    for (const char* name :
         {"ftp.txt", "FTP.TXT", "ftptrust.txt", "ftpsent.txt", "pagebox.txt", "oneBox.txt", "threebox.txt",
          "rtemp1.txt", "rtemp31.txt", "stand.1w1", "../index.html", "a/b.html", "..", ".", "", "back\\slash.gif"}) {
        EXPECT_TRUE(DownloadRefusal(name)) << name;
    }
    for (const char* name : {"index.html", "logo.gif", "photo.jpg", "notes.txt", "temp.html", "ftp.txt.bak"}) {
        EXPECT_FALSE(DownloadRefusal(name)) << name;
    }
}

}  // namespace
}  // namespace pw::publisher
