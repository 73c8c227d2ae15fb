// The publisher window's "Upload ALL Files" on the core, for bench/publish_bench.sh: one
// connection, "/www/", every file of the local pane sent in binary, and one listing of
// the remote folder at the end.
// Usage: publish_upload_all HOST USER PASSWORD SITE_FOLDER
#include <iostream>

#include "publisher/curl_ftp.hpp"
#include "publisher/local_files.hpp"

int main(int argc, char* argv[]) {
    using namespace pw::publisher;
    if (argc != 5) {
        std::cerr << "usage: publish_upload_all HOST USER PASSWORD SITE_FOLDER\n";
        return 2;
    }
    const std::filesystem::path site = argv[4];
    const auto files = PublishableFiles(site);
    if (!files) return 2;
    const auto ftp = MakeCurlFtp(DefaultFtpSettings(site));
    ftp->SetRemoteHost(argv[1]);
    ftp->SetUserName(argv[2]);
    ftp->SetPassword(argv[3]);
    ftp->SetBinary(true);
    if (auto connected = ftp->Connect(); !connected) {
        std::cerr << connected.error().message() << "\n";
        return 3;
    }
    (void)ftp->SetDirectory("/www/");
    int failed = 0;
    for (const std::string& name : *files) {
        ftp->SetLocalFile(site / name);
        ftp->SetRemoteFile(name);
        if (!ftp->PutFile()) ++failed;
    }
    std::size_t listed = 0;
    ftp->SetEvents({.directoryEntry = [&](const std::string&, std::uint32_t) { ++listed; }});
    if (!ftp->ListDirectory("*.*")) ++failed;
    ftp->Disconnect();
    std::cout << files->size() - static_cast<std::size_t>(failed) << " sent, " << listed << " entries listed\n";
    return failed ? 1 : 0;
}
