// The runtime download against a real HTTP server on 127.0.0.1: the bare GET line,
// the failure codes, the script fetch and the script's commands.
#include <gtest/gtest.h>
#include <minizip/zip.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "designpack/http.hpp"
#include "designpack/runtime.hpp"
#include "designpack/script.hpp"
#include "fake_installer_view.hpp"
#include "http_test_server.hpp"
#include "tests/temp_folder.hpp"

namespace fs = std::filesystem;
using namespace pw::designpack;
using pw::test::FakeInstallerView;
using pw::test::HttpTestServer;
using pw::test::TempFolder;

namespace {

// A ZIP archive made with minizip's writer, so UNZIP reads a real one.
void MakeZip(const fs::path& archive, const std::vector<std::pair<std::string, std::string>>& entries) {
    zipFile zip = zipOpen64(archive.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, content] : entries) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                        Z_DEFAULT_COMPRESSION, 0),
                  ZIP_OK);
        zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
}

class HttpFetchTest : public ::testing::Test {
protected:
    HttpOptions Options(std::chrono::milliseconds stall = std::chrono::seconds(5)) const {
        return HttpOptions{server.port(), stall};
    }
    HttpTestServer server;
    TempFolder folder;
};

TEST_F(HttpFetchTest, SendsOnlyTheGetLineAndKeepsEveryByteOfTheAnswer) {
    std::string body(10'000, 'x');  // more than one receive chunk
    body += "HTTP-looking text is kept as is";
    server.Set("/files/a.bin", body);
    std::vector<std::uint64_t> reports;
    fs::path out = folder.path() / "a.bin";

    auto fetched = HttpFetch(
        "127.0.0.1", "files/a.bin", out,
        [&](std::uint64_t got, std::uint64_t expected) {
            reports.push_back(got);
            EXPECT_EQ(expected, 12345u);
        },
        12345, Options());

    EXPECT_TRUE(fetched) << fetched.error().message();
    EXPECT_EQ(TempFolder::Read(out), body);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /files/a.bin\r\n");  // "/" added, no version, no headers
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front(), 0u);
    EXPECT_EQ(reports.back(), body.size());
}

TEST_F(HttpFetchTest, FailureCodes) {
    server.Set("/empty", "");
    server.Set("/stall", HttpTestServer::Answer{"", true});
    int closedPort = 0;
    {
        HttpTestServer gone;
        closedPort = gone.port();
    }
    struct Case {
        const char* what;
        std::string host, path;
        fs::path file;
        std::uint16_t port;
        std::error_code expected;
    };
    const Case cases[] = {
        {"host too long", std::string(101, 'h'), "/x", folder.path() / "f", server.port(), HttpErrc::badRequest},
        {"path too long", "127.0.0.1", "/" + std::string(250, 'p'), folder.path() / "f", server.port(),
         HttpErrc::badRequest},
        {"CR LF in the path", "127.0.0.1", "/x\r\nHost: evil", folder.path() / "f", server.port(),
         HttpErrc::badRequest},
        {"LF in the host", "127.0.0.1\n", "/x", folder.path() / "f", server.port(), HttpErrc::badRequest},
        {"unwritable file", "127.0.0.1", "/x", folder.path() / "missing" / "f", server.port(),
         std::make_error_code(std::errc::no_such_file_or_directory)},
        {"unresolvable host", "", "/x", folder.path() / "f", server.port(), HttpErrc::cannotResolve},
        {"nobody listening", "127.0.0.1", "/x", folder.path() / "f", static_cast<std::uint16_t>(closedPort),
         HttpErrc::noConnection},
        {"closed without data", "127.0.0.1", "/empty", folder.path() / "f", server.port(), HttpErrc::noConnection},
        {"stalled past the limit", "127.0.0.1", "/stall", folder.path() / "f", server.port(), HttpErrc::noConnection},
    };
    for (const Case& c : cases) {
        HttpOptions options{c.port, std::chrono::milliseconds(300)};
        auto fetched = HttpFetch(c.host, c.path, c.file, {}, 0, options);
        ASSERT_FALSE(fetched) << c.what;
        EXPECT_EQ(fetched.error(), c.expected) << c.what << ": " << fetched.error().message();
    }
    for (const std::string& request : server.Requests()) EXPECT_EQ(request.find("evil"), std::string::npos);
}

// The answer lands in a temporary file beside the destination, which replaces it only
// when the fetch succeeded: a failure leaves an existing file as it was and nothing else.
TEST_F(HttpFetchTest, OnlyACompleteAnswerReplacesTheFile) {
    server.Set("/empty", "");
    server.Set("/stall", HttpTestServer::Answer{"", true});
    server.Set("/page", "new contents");
    EXPECT_FALSE(HttpFetch("127.0.0.1", "/empty", folder.path() / "new.bin", {}, 0, Options()));
    EXPECT_FALSE(fs::exists(folder.path() / "new.bin"));
    fs::path file = folder.path() / "setup.bin";
    for (const char* path : {"/page", "/empty", "/stall"}) {  // the stall last: it holds the one-thread server
        folder.Write("setup.bin", "old contents");
        auto fetched = HttpFetch("127.0.0.1", path, file, {}, 0, Options(std::chrono::milliseconds(300)));
        EXPECT_EQ(bool(fetched), path == std::string("/page")) << path;
        EXPECT_EQ(TempFolder::Read(file), fetched ? "new contents" : "old contents") << path;
        std::vector<fs::path> listing;
        for (const auto& entry : fs::directory_iterator(folder.path())) listing.push_back(entry.path());
        EXPECT_EQ(listing, std::vector<fs::path>{file}) << path;
    }
}

int LookupTaking(std::chrono::milliseconds time, const char* host, const char* service, const addrinfo* hints,
                 addrinfo** found) {
    std::this_thread::sleep_for(time);
    return ::getaddrinfo(host, service, hints, found);
}
int SlowLookup(const char* host, const char* service, const addrinfo* hints, addrinfo** found) {
    return LookupTaking(std::chrono::milliseconds(160), host, service, hints, found);
}
int TooSlowLookup(const char* host, const char* service, const addrinfo* hints, addrinfo** found) {
    return LookupTaking(std::chrono::milliseconds(300), host, service, hints, found);
}

// With a 200 ms limit: the clock starts with the first wait (the name lookup) and
// restarts only when a chunk arrives, so the lookup's time counts against a silent server.
TEST_F(HttpFetchTest, StallLimitCountsFromTheFirstWaitAndRestartsOnlyWithData) {
    using std::chrono::milliseconds;
    using Clock = std::chrono::steady_clock;
    server.Set("/drip", HttpTestServer::Answer{"abcdef", false, 2, milliseconds(130)});
    server.Set("/stall", HttpTestServer::Answer{"", true});
    HttpOptions options = Options(milliseconds(200));
    EXPECT_TRUE(HttpFetch("127.0.0.1", "/drip", folder.path() / "f", {}, 0, options)) << "260 ms, never 200 silent";
    EXPECT_EQ(TempFolder::Read(folder.path() / "f"), "abcdef");

    options.lookup = SlowLookup;
    const auto start = Clock::now();
    auto fetched = HttpFetch("127.0.0.1", "/stall", folder.path() / "f", {}, 0, options);
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    ASSERT_FALSE(fetched);
    EXPECT_EQ(fetched.error(), HttpErrc::noConnection);
    EXPECT_LT(took.count(), 280) << "160 ms looking up + a fresh 200 ms after the request would be 360";

    options.lookup = TooSlowLookup;
    fetched = HttpFetch("127.0.0.1", "/x", folder.path() / "f", {}, 0, options);
    ASSERT_FALSE(fetched);
    EXPECT_EQ(fetched.error(), HttpErrc::resolveTimedOut);
}

// Closing the installer during a download ends the fetch at once, not at the stall limit,
// and leaves nothing of it behind.
TEST_F(HttpFetchTest, StopEndsAFetchAtOnce) {
    server.Set("/stall", HttpTestServer::Answer{"", true});
    std::atomic<bool> stop{false};
    HttpOptions options = Options(std::chrono::seconds(5));
    options.stop = &stop;
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    auto fetched = HttpFetch("127.0.0.1", "/stall", folder.path() / "f", {}, 0, options);
    const auto took = std::chrono::steady_clock::now() - start;
    closer.join();
    ASSERT_FALSE(fetched);
    EXPECT_EQ(fetched.error(), std::errc::operation_canceled);
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(HttpFailureMessage, MatchesTheCodes) {
    EXPECT_EQ(HttpFailureMessage(std::make_error_code(std::errc::no_space_on_device)), "Could not write to hard disk.");
    EXPECT_EQ(HttpFailureMessage(HttpErrc::noSocketLibrary), "Could not find WinSock DLL.");
    EXPECT_EQ(HttpFailureMessage(HttpErrc::wrongSocketLibrary), "Can't use this version of WinSock DLL.");
    for (HttpErrc code :
         {HttpErrc::cannotResolve, HttpErrc::noConnection, HttpErrc::resolveTimedOut, HttpErrc::badRequest})
        EXPECT_EQ(HttpFailureMessage(code), "Could not establish Internet connection.");
}

// The download dialogue with the maker's server and the script's servers all on the test server.
class RuntimeDownloadTest : public ::testing::Test {
protected:
    RuntimeDownloadTest()
        : context{view,
                  session,
                  folder.path(),
                  folder.path() / "system",
                  KeyStore(folder.path() / "keys"),
                  "KW5 Software",
                  "127.0.0.1",
                  HttpOptions{server.port(), std::chrono::seconds(5)}} {
        component.identifier = "vb600a";
        component.description = "the Visual Basic 6 runtime";
        component.requirements = {{"msvbvm60.dll", ""}};
    }

    pw::Result<void> Offer(const std::string& script) {
        server.Set("/cgi-sys/cgiwrap/zip/getScript.pl?id=vb600a", script);
        view.yesNoAnswers = {true};
        return OfferRuntimeDownload(component, context);
    }

    std::vector<std::string> Requests() { return server.Requests(); }

    HttpTestServer server;
    TempFolder folder;
    FakeInstallerView view;
    ExtractionSession session;
    RuntimeComponent component;
    RuntimeContext context;
};

TEST_F(RuntimeDownloadTest, DeclinedOfferFetchesNothing) {
    auto offered = OfferRuntimeDownload(component, context);
    ASSERT_FALSE(offered);
    EXPECT_EQ(offered.error(), std::errc::operation_canceled);
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].text,
              "This installation requires the Visual Basic 6 runtime.  Would you like to download and install the "
              "required runtime now?");
    EXPECT_EQ(view.questions[0].caption, "Unfurl");
    EXPECT_TRUE(Requests().empty());
}

TEST_F(RuntimeDownloadTest, WebPagesInsteadOfAScriptAreNotSupported) {
    for (std::string page :
         {"<html><body>Not found</body></html>", "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nRUN x",
          "<!DOCTYPE html>", "<title>x</title>"}) {
        view.messages.clear();
        auto offered = Offer(page);
        ASSERT_FALSE(offered) << page;
        EXPECT_EQ(offered.error(), HttpErrc::webPage);
        ASSERT_EQ(view.messages.size(), 1u) << page;
        EXPECT_EQ(view.messages[0].text,
                  "The installation package is requesting a runtime file which is not supported (id=vb600a).  "
                  "Please contact KW5 Software.");
        EXPECT_EQ(view.messages[0].caption, "Error");
    }
    EXPECT_EQ(Requests().back(), "GET /cgi-sys/cgiwrap/zip/getScript.pl?id=vb600a\r\n");
    EXPECT_FALSE(fs::exists(folder.path() / "vb600a"));
}

TEST_F(RuntimeDownloadTest, ScriptFetchFailureShowsTheConnectionMessage) {
    context.http.port = 1;  // nothing listens there
    view.yesNoAnswers = {true};
    EXPECT_FALSE(OfferRuntimeDownload(component, context));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Could not establish Internet connection.");
    EXPECT_EQ(view.statuses.front(), "Preparing for download....");
}

TEST_F(RuntimeDownloadTest, IdentifierThatWouldLeaveTheFolderNamesNoFile) {
    context.folder = folder.path() / "site";
    fs::create_directories(context.folder);
    for (std::string identifier : {"../escaped", "..", "/tmp/escaped", "a/../../escaped", "..\\escaped", "C:x"}) {
        component.identifier = identifier;
        server.Set("/cgi-sys/cgiwrap/zip/getScript.pl?id=" + identifier, "DELETE\n");
        view = FakeInstallerView{};
        view.yesNoAnswers = {true};
        auto offered = OfferRuntimeDownload(component, context);
        ASSERT_FALSE(offered) << identifier;
        EXPECT_EQ(offered.error(), PackErrc::unsafeName);
        ASSERT_EQ(view.messages.size(), 1u) << identifier;
        EXPECT_EQ(view.messages[0].text, "Could not write to hard disk.") << identifier;
        EXPECT_EQ(view.messages[0].caption, "Error");
    }
    EXPECT_TRUE(Requests().empty());
    EXPECT_FALSE(fs::exists(folder.path() / "escaped"));
    EXPECT_FALSE(fs::exists(folder.path() / "x"));
}

TEST_F(RuntimeDownloadTest, ScriptStartingWithAnEmptyLineDoesNothing) {
    EXPECT_TRUE(Offer("\nDELETE\n"));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_FALSE(fs::exists(folder.path() / "vb600a"));  // the script file is removed after reading
}

TEST_F(RuntimeDownloadTest, DownloadComesFromTheNamedServer) {
    server.Set("/rt/setup.bin", "runtime bytes");
    EXPECT_TRUE(Offer("DOWNLOAD 127.0.0.1 /rt/setup.bin setup.bin 13\n"));
    EXPECT_EQ(TempFolder::Read(folder.path() / "setup.bin"), "runtime bytes");
    EXPECT_EQ(view.done, 13u);
    EXPECT_EQ(view.total, 13u);
    EXPECT_TRUE(std::ranges::find(view.statuses, "Downloading...") != view.statuses.end());
}

TEST_F(RuntimeDownloadTest, PageFromTheNamedServerFallsBackToTheAlternate) {
    server.Set("/rt/setup.bin", "<HTML>moved</HTML>");
    server.Set("/cgi-sys/cgiwrap/zip/ftp_error.pl?server=127.0.0.1&fileURL=/rt/setup.bin&id=vb600a", "mirror bytes");
    EXPECT_TRUE(Offer("download 127.0.0.1 /rt/setup.bin setup.bin 12"));
    EXPECT_EQ(TempFolder::Read(folder.path() / "setup.bin"), "mirror bytes");
    EXPECT_TRUE(std::ranges::find(view.statuses, "Attempting alternate server for download....") !=
                view.statuses.end());
}

TEST_F(RuntimeDownloadTest, DownloadFailingEverywhereEndsTheScript) {
    auto offered = Offer("DOWNLOAD 127.0.0.1 /nothing a.bin 5\nREBOOT\n");
    ASSERT_FALSE(offered);
    EXPECT_EQ(offered.error(), HttpErrc::noConnection);  // the alternate's answer: nothing
    ASSERT_EQ(view.messages.size(), 1u);                 // REBOOT never ran
    EXPECT_EQ(view.messages[0].text, "Download failed.  Try again later.");
    EXPECT_EQ(view.messages[0].caption, "Error");
}

TEST_F(RuntimeDownloadTest, FailedDownloadsLeaveTheFileOfThatNameAlone) {
    server.Set("/page", "<html>not the file</html>");
    server.Set("/cgi-sys/cgiwrap/zip/ftp_error.pl?server=127.0.0.1&fileURL=/page&id=vb600a", "<!DOCTYPE html>");
    for (const char* path : {"/nothing", "/page"}) {  // nothing anywhere; a web page from both servers
        folder.Write("setup.bin", "the user's file");
        EXPECT_FALSE(Offer("DOWNLOAD 127.0.0.1 " + std::string(path) + " setup.bin 5\n")) << path;
        EXPECT_EQ(view.messages.back().text, "Download failed.  Try again later.");
        EXPECT_EQ(TempFolder::Read(folder.path() / "setup.bin"), "the user's file") << path;
    }

    folder.Write("vb600a", "the user's file");
    context.http.port = 1;  // the script fetch fails
    view.yesNoAnswers = {true};
    EXPECT_FALSE(OfferRuntimeDownload(component, context));
    EXPECT_EQ(TempFolder::Read(folder.path() / "vb600a"), "the user's file");
    std::vector<fs::path> listing;
    for (const auto& entry : fs::directory_iterator(folder.path())) listing.push_back(entry.path().filename());
    std::ranges::sort(listing);
    EXPECT_EQ(listing, (std::vector<fs::path>{"setup.bin", "vb600a"}));
}

TEST_F(RuntimeDownloadTest, DownloadRefusesANameOutsideTheFolder) {
    server.Set("/x", "bytes");
    auto offered = Offer("DOWNLOAD 127.0.0.1 /x ../escaped 5\n");
    ASSERT_FALSE(offered);
    EXPECT_EQ(offered.error(), PackErrc::unsafeName);
    EXPECT_EQ(view.messages.back().text, "Download failed.  Try again later.");
    EXPECT_FALSE(fs::exists(folder.path().parent_path() / "escaped"));
}

TEST_F(RuntimeDownloadTest, RunStartsTheDownloadedProgramAndWaits) {
    server.Set("/setup.sh", "#!/bin/sh\necho ran > marker\n");
    EXPECT_TRUE(Offer("DOWNLOAD 127.0.0.1 /setup.sh setup.sh 30\nRUN setup.sh\n"));
    EXPECT_EQ(TempFolder::Read(folder.path() / "marker"), "ran\n");  // written before RUN returned
    EXPECT_EQ(view.hides, 1);
    EXPECT_FALSE(view.hidden);  // shown again afterwards
}

TEST_F(RuntimeDownloadTest, RunThatCannotStartIsReportedAndTheScriptGoesOn) {
    EXPECT_TRUE(Offer("RUN no-such-program\nREBOOT\n"));
    EXPECT_EQ(Requests().back(),
              "GET /cgi-sys/cgiwrap/zip/scriptError.pl?id=vb600a&verb=Run&parms=no-such-program\r\n");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "reboot");
    EXPECT_FALSE(view.messages[0].owned);
    EXPECT_FALSE(fs::exists(folder.path() / "vb600a"));
}

TEST_F(RuntimeDownloadTest, UnzipUnpacksIntoTemp) {
    MakeZip(folder.path() / "rt.zip", {{"readme.txt", "hello"}, {"lib/", ""}, {"lib/a.so", std::string(70'000, 'a')}});
    EXPECT_TRUE(Offer("UNZIP rt.zip\n"));
    EXPECT_EQ(TempFolder::Read(folder.path() / "temp" / "readme.txt"), "hello");
    EXPECT_EQ(TempFolder::Read(folder.path() / "temp" / "lib" / "a.so"), std::string(70'000, 'a'));
    for (const std::string& request : Requests()) EXPECT_EQ(request.find("scriptError"), std::string::npos);
}

TEST_F(RuntimeDownloadTest, UnzipOfABrokenArchiveIsReported) {
    folder.Write("rt.zip", "not a zip archive");
    MakeZip(folder.path() / "evil.zip", {{"../outside.txt", "x"}});
    EXPECT_TRUE(Offer("UNZIP rt.zip\nUNZIP evil.zip\n"));
    auto requests = Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[requests.size() - 2],
              "GET /cgi-sys/cgiwrap/zip/scriptError.pl?id=vb600a&verb=Unzip&parms=rt.zip\r\n");
    EXPECT_EQ(requests.back(), "GET /cgi-sys/cgiwrap/zip/scriptError.pl?id=vb600a&verb=Unzip&parms=evil.zip\r\n");
    EXPECT_FALSE(fs::exists(folder.path() / "outside.txt"));
}

TEST_F(RuntimeDownloadTest, UnzipFollowsTheRunsOverwritePolicy) {
    MakeZip(folder.path() / "rt.zip", {{"a.txt", "new"}});
    fs::create_directories(folder.path() / "temp");
    folder.Write("temp/a.txt", "old");
    session.policy = OverwritePolicy::skipAll;
    EXPECT_TRUE(Offer("UNZIP rt.zip\n"));
    EXPECT_EQ(TempFolder::Read(folder.path() / "temp" / "a.txt"), "old");
    session.policy = OverwritePolicy::replaceAll;
    EXPECT_TRUE(Offer("UNZIP rt.zip\n"));
    EXPECT_EQ(TempFolder::Read(folder.path() / "temp" / "a.txt"), "new");
}

}  // namespace
