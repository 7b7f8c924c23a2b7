#include "ui/web/webpages.h"

#include <QFile>

#include <string_view>

// Q_INIT_RESOURCE names the resources' entry point, which cannot be declared in a namespace.
// Calling it also makes a build that left the resources out fail to link, rather than serve
// empty pages.
static void RegisterPageResources() {
    Q_INIT_RESOURCE(webpages);
}

namespace {

std::string PageFile(const char* name) {
    QFile file(QStringLiteral(":/kestrune/web/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

/// The script without its opening comment lines, which are for its readers, not for browsers.
std::string WithoutOpeningComment(const std::string& script) {
    std::size_t at = 0;
    while (script.compare(at, 2, "//") == 0) {
        const std::size_t end = script.find('\n', at);
        at = end == std::string::npos ? script.size() : end + 1;
    }
    return script.substr(at);
}

void Fill(std::string& text, std::string_view marker, const std::string& value) {
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + value.size())) {
        text.replace(at, marker.size(), value);
    }
}

struct TPageTexts {
    std::string Index;
    std::string Tower;
    std::string Ticker;
};

/// The files are read once; only the index changes from answer to answer, with the sizes.
const TPageTexts& PageTexts() {
    static const TPageTexts texts = [] {
        RegisterPageResources();
        const std::string script = WithoutOpeningComment(PageFile("picture.js"));
        const std::string picture = PageFile("picture.html");
        const auto named = [&](const std::string& name) {
            std::string text = picture;
            Fill(text, "{{page}}", name);
            Fill(text, "{{script}}", script);
            return text;
        };
        return TPageTexts{PageFile("index.html"), named("tower"), named("ticker")};
    }();
    return texts;
}

} // namespace

std::string PageText(TBuiltInPage page, const TWebSizes& sizes) {
    switch (page) {
    case TBuiltInPage::Tower:
        return PageTexts().Tower;
    case TBuiltInPage::Ticker:
        return PageTexts().Ticker;
    case TBuiltInPage::Index:
        break;
    }
    std::string text = PageTexts().Index;
    Fill(text, "{{towerWidth}}", std::to_string(sizes.Tower.Width));
    Fill(text, "{{towerHeight}}", std::to_string(sizes.Tower.Height));
    Fill(text, "{{tickerWidth}}", std::to_string(sizes.Ticker.Width));
    Fill(text, "{{tickerHeight}}", std::to_string(sizes.Ticker.Height));
    return text;
}
