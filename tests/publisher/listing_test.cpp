// Listings as real servers send them: MLSD, Unix "ls -l" (several servers' variants) and
// DOS/IIS, with names that hold blanks, non-ASCII letters and look-alike text.
#include "publisher/listing.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pw::publisher {

void PrintTo(const RemoteEntry& entry, std::ostream* out) {
    *out << "{\"" << entry.name << "\", " << (entry.IsFolder() ? "folder" : "file");
    if (entry.size) *out << ", " << *entry.size;
    *out << "}";
}

namespace {

RemoteEntry Folder(std::string name) { return {std::move(name), kFolderAttribute, std::nullopt}; }
RemoteEntry File(std::string name, std::uint64_t size) { return {std::move(name), kFileAttribute, size}; }
RemoteEntry File(std::string name) { return {std::move(name), kFileAttribute, std::nullopt}; }

struct ListingCase {
    const char* what;
    ListingFormat format;
    std::string bytes;
    std::vector<RemoteEntry> entries;
};

class ParseListingTest : public testing::TestWithParam<ListingCase> {};

TEST_P(ParseListingTest, GivesTheEntriesInListingOrder) {
    const ListingCase& c = GetParam();
    EXPECT_EQ(ParseListing(c.bytes, c.format), c.entries) << c.what;
}

const ListingCase kCases[] = {
    {"MLSD from pyftpdlib: cdir dropped, pdir kept as '..', names whole",
     ListingFormat::Mlsd,
     "type=cdir;perm=elcmp;modify=20240105120000; .\r\n"
     "type=pdir;perm=elcmp;modify=20240105120000; /home\r\n"
     "type=file;size=1234;modify=20240105120000;perm=radfw; index.html\r\n"
     "type=dir;sizd=4096;modify=20240105120000;perm=flcdmpe; my pictures\r\n"
     "type=file;size=7;modify=20240105120000; Über uns; final.html\r\n"
     "Type=File;Size=0; empty.gif\r\n",
     {Folder(".."), File("index.html", 1234), Folder("my pictures"), File("Über uns; final.html", 7),
      File("empty.gif", 0)}},
    {"MLSD: a name's leading blank is part of it; links are folders; unknown types are files",
     ListingFormat::Mlsd,
     "type=file;size=3;  leading.html\n"
     "type=OS.unix=slink:/var/www;unique=1; www\n"
     "type=OS.unix=symlink; docs\n"
     "unique=abc; plain\n"
     " no facts at all\n"
     "not an mlsd line\n",
     {File(" leading.html", 3), Folder("www"), Folder("docs"), File("plain"), File("no facts at all")}},
    {"Unix from vsftpd and pyftpdlib: years, times, blanks in names",
     ListingFormat::List,
     "total 12\r\n"
     "drwxr-xr-x    2 1000     1000         4096 Jan 05 12:00 images\r\n"
     "-rw-r--r--    1 1000     1000         5120 Dec 31  2023 old page.html\r\n"
     "-rw-r--r--    1 ftp      ftp             9 Feb  9 09:05 naïve café.jpg\r\n"
     "-rw-r--r--    1 owner    group          12 Mar  1 10:00  two  blanks .gif\r\n",
     {Folder("images"), File("old page.html", 5120), File("naïve café.jpg", 9), File(" two  blanks .gif", 12)}},
    {"Unix: '.' dropped, '..' kept, links are folders without their target",
     ListingFormat::List,
     "drwxr-xr-x 3 root root 4096 Jan  5 12:00 .\n"
     "drwxr-xr-x 9 root root 4096 Jan  5 12:00 ..\n"
     "lrwxrwxrwx 1 user user   11 Jan  5 12:00 www -> public_html\n"
     "-rw-r--r-- 1 user user    4 Jan  5 12:00 a -> b.html\n",
     {Folder(".."), Folder("www"), File("a -> b.html", 4)}},
    {"Unix variants: no group, ACL mark, ISO dates, a month word inside the name",
     ListingFormat::List,
     "-rw-r--r-- 1 owner 77 Jan  5 12:00 no group.html\n"
     "-rw-r--r--+ 1 owner group 78 Jan  5 12:00 acl.html\n"
     "-rw-r--r-- 1 owner group 79 2024-01-05 12:00 iso.html\n"
     "-rw-r--r-- 1 owner group 80 Jan  5 12:00 May 5 12:00 report.html\n",
     {File("no group.html", 77), File("acl.html", 78), File("iso.html", 79), File("May 5 12:00 report.html", 80)}},
    {"DOS/IIS: 12-hour and 24-hour clocks, 2- and 4-digit years, sizes with separators",
     ListingFormat::List,
     "01-05-24  12:00PM       <DIR>          My Folder\r\n"
     "01-05-24  09:30AM                 1234 index.html\r\n"
     "01-05-2024  13:45                 1,234,567 big photo.jpg\r\n"
     "2024/01/05  10:00 AM    <DIR>          Résumé\r\n",
     {Folder("My Folder"), File("index.html", 1234), File("big photo.jpg", 1234567), Folder("Résumé")}},
    {"garbage, banners and unsafe names give nothing",
     ListingFormat::List,
     "200 listing follows\n"
     "-rw-r--r-- 1 u g 1 Jan  5 12:00 ../../etc/passwd\n"
     "-rw-r--r-- 1 u g 1 Jan  5 12:00 sub/file.html\n"
     "drwxr-xr-x 1 u g 1 Jan  5 12:00 \n"
     "xxxxxxxxxx 1 u g 1 Jan  5 12:00 fake\n"
     "01-05-24  09:30AM  notasize name\n"
     "\n",
     {}},
    {"a last line without its line end is read",
     ListingFormat::Mlsd,
     "type=file;size=5; last.html",
     {File("last.html", 5)}},
};

INSTANTIATE_TEST_SUITE_P(Samples, ParseListingTest, testing::ValuesIn(kCases));

TEST(ParseListing, KeepsBytesThatAreNotUtf8) {
    const std::string latin1Name = "caf\xE9.html";
    const auto entries = ParseListing("type=file;size=1; " + latin1Name + "\r\n", ListingFormat::Mlsd);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, latin1Name);
}

}  // namespace
}  // namespace pw::publisher
