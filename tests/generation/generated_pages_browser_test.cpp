// The pages generated for a first-start site, opened in a real browser engine: every picture
// they name (pictures, CSS backgrounds, links to pictures) must be found and decode.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "builder/generate_command.hpp"
#include "builder/generation.hpp"
#include "platform/web_pane.hpp"
#include "tests/generation/seeded_site.hpp"
#include "tests/temp_folder.hpp"

#include <sstream>

namespace pw {
namespace {

namespace fs = std::filesystem;

// Collects the address of every picture the page names and tries to load each one; leaves the
// outcome as JSON in window.pwPictures. <img> elements count as broken unless complete with a
// natural width.
constexpr const char* kCheckPictures = R"JS(
(() => {
  const urls = new Set();
  const addCssUrls = (value) => {
    for (const m of (value || '').matchAll(/url\(\s*(['"]?)(.*?)\1\s*\)/g)) urls.add(new URL(m[2], document.baseURI).href);
  };
  for (const el of document.querySelectorAll('*')) {
    for (const pseudo of [null, '::before', '::after']) {
      const style = getComputedStyle(el, pseudo);
      addCssUrls(style.backgroundImage);
      addCssUrls(style.listStyleImage);
      addCssUrls(style.borderImageSource);
      addCssUrls(style.content);
    }
  }
  for (const link of document.querySelectorAll('a[href], link[href]')) {
    if (/\.(gif|jpe?g|png|bmp|webp|svg|ico)$/i.test(new URL(link.href, document.baseURI).pathname)) urls.add(link.href);
  }
  for (const img of document.images) urls.add(img.src);
  const brokenImages = [...document.images].filter(i => !(i.complete && i.naturalWidth > 0)).map(i => i.src);
  const tryLoad = (url) => new Promise(resolve => {
    const probe = new Image();
    probe.onload = () => resolve(probe.naturalWidth > 0 ? null : url);
    probe.onerror = () => resolve(url);
    probe.src = url;
  });
  window.pwPictures = null;
  Promise.all([...urls].map(tryLoad)).then(results => {
    window.pwPictures = JSON.stringify({
      pictures: [...urls],
      broken: brokenImages.concat(results.filter(url => url)),
    });
  });
})();
)JS";

// Runs the event loop until `done` or the time is up.
template <typename Done>
void WaitFor(Done done, int milliseconds) {
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    tick.start(20);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
}

bool Load(QWebEngineView& view, const fs::path& file) {
    std::optional<bool> finished;
    const auto connection = QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) { finished = ok; });
    view.load(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    WaitFor([&] { return finished.has_value(); }, 60'000);
    QObject::disconnect(connection);
    return finished.value_or(false);
}

QVariant Evaluate(QWebEnginePage& page, const QString& script) {
    std::optional<QVariant> result;
    page.runJavaScript(script, [&](const QVariant& value) { result = value; });
    WaitFor([&] { return result.has_value(); }, 10'000);
    return result.value_or(QVariant());
}

// The outcome of kCheckPictures, once every picture has loaded or failed.
QJsonObject CheckPictures(QWebEnginePage& page) {
    Evaluate(page, kCheckPictures);
    QString outcome;
    WaitFor(
        [&] {
            outcome = Evaluate(page, "window.pwPictures").toString();
            return !outcome.isEmpty();
        },
        30'000);
    return QJsonDocument::fromJson(outcome.toUtf8()).object();
}

TEST(GeneratedPagesInBrowser, EveryPictureTheyNameIsFound) {
    test::TempFolder inst;
    const fs::path site = test::SeedFirstStartSite(inst);
    std::ostringstream out, err;
    ASSERT_EQ(RunGenerateCommand(inst.path(), {}, out, err), 0) << err.str();

    QWebEngineView view;
    view.resize(1024, 768);
    view.show();
    for (const char* file : {"index.html", "news.html", "aboutus.html"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(Load(view, site / file));
        const QJsonObject outcome = CheckPictures(*view.page());
        ASSERT_FALSE(outcome.isEmpty()) << "the picture check did not finish";
        const QJsonArray pictures = outcome["pictures"].toArray();
        const QJsonArray broken = outcome["broken"].toArray();
        EXPECT_FALSE(pictures.isEmpty()) << "the page names no picture at all";
        EXPECT_TRUE(broken.isEmpty()) << "not found: " << QJsonDocument(broken).toJson().toStdString();
    }
}

// Older design packs bring templates in Windows-1252 that say so; the page is written in
// UTF-8 and must say that instead, or the engine shows "Café" as "CafÃ©".
TEST(GeneratedPagesInBrowser, AWindows1252TemplateShowsItsAccentedLettersAsTyped) {
    struct Case {
        const char* name;
        std::string declaration;
    };
    const Case cases[] = {
        {"meta charset", "<meta charset=windows-1252>"},
        {"http-equiv, attributes the other way round",
         "<META CONTENT='text/html; charset=ISO-8859-1' http-equiv=Content-Type>"},
        {"no declaration", ""},
    };
    test::TempFolder site;
    QWebEngineView view;
    view.resize(800, 600);
    view.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        site.Write("temp311.htx",
                   "<html><head>" + c.declaration +
                       "<title>Caf\xe9</title></head>\r\n<body><p id=\"t\">Caf\xe9 %%texta%%</p></body></html>");
        PageInputs inputs;
        inputs.sectionA = "cr\u00e8me br\u00fbl\u00e9e 5\u00a0\u20ac";
        const auto text = GeneratePageText(site.path() / "temp311.htx", inputs);
        ASSERT_TRUE(text.has_value());
        const fs::path page = site.path() / ("page" + std::to_string(&c - cases) + ".html");  // a new address each
        ASSERT_TRUE(WritePageFile(page, *text));

        ASSERT_TRUE(Load(view, page));
        EXPECT_EQ(Evaluate(*view.page(), "document.characterSet").toString(), "UTF-8");
        EXPECT_EQ(Evaluate(*view.page(), "document.title").toString(), QStringLiteral("Caf\u00e9"));
        EXPECT_EQ(Evaluate(*view.page(), "document.getElementById('t').textContent").toString(),
                  QStringLiteral("Caf\u00e9 cr\u00e8me br\u00fbl\u00e9e 5\u00a0\u20ac"));
    }
}

// The builder's preview pane in its phone view: each shipped design's page is laid out as a
// phone lays it out, 390 CSS pixels wide, however narrow the pane, and again at the pane's
// own width once the view is off.
TEST(GeneratedPagesInBrowser, ThePhoneViewLaysEveryDesignOut390CssPixelsWide) {
    const fs::path designs[] = {test::kShippedContent, test::kShippedContent / "designs" / "comp1",
                                test::kShippedContent / "designs" / "comp2",
                                test::kShippedContent / "designs" / "comp3"};
    for (const fs::path& design : designs) {
        SCOPED_TRACE(design.string());
        test::TempFolder inst;
        const fs::path site = test::SeedFirstStartSite(inst);
        for (const char* name : {"temp311.htx", "stock", "graf1.gif", "graf2.jpg"})
            fs::copy_file(design / name, site / name, fs::copy_options::overwrite_existing);
        std::ostringstream out, err;
        ASSERT_EQ(RunGenerateCommand(inst.path(), {}, out, err), 0) << err.str();

        WebEnginePane pane;
        pane.resize(185, 161);  // the builder's pane
        pane.show();
        const auto show = [&pane](const fs::path& page) {
            bool loaded = false;
            const auto connection = QObject::connect(&pane, &WebPane::DownloadComplete, [&] { loaded = true; });
            pane.Navigate(QString::fromStdString(page.string()));
            WaitFor([&] { return loaded; }, 60'000);
            QObject::disconnect(connection);
            return loaded;
        };
        const auto layoutWidth = [&pane] { return Evaluate(*pane.view().page(), "window.innerWidth").toInt(); };
        pane.SetLayoutWidth(390);
        ASSERT_TRUE(show(site / "index.html"));
        EXPECT_NEAR(layoutWidth(), 390, 2);
        ASSERT_TRUE(show(site / "news.html"));
        EXPECT_NEAR(layoutWidth(), 390, 2) << "the next page is shown as a phone shows it too";
        pane.SetLayoutWidth(0);
        WaitFor([&] { return layoutWidth() == 185; }, 5'000);
        EXPECT_EQ(layoutWidth(), 185);
    }
}

}  // namespace
}  // namespace pw
