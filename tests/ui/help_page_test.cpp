// The help page names what the user sees: each button of the main window by
// the label its picture shows, and the work files by the names the engine
// gives them.
#include "engine/output_naming.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "ui/controls/control_button.h"
#include "ui/main_window.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

using veltrano::test::MakeScratchDir;

std::string ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "";
    }
    return file.readAll().toStdString();
}

std::string HelpPage() {
    return ReadAll(QString(VELTRANO_APP_DIR) + "/help/index.html");
}

// Markup to the text a browser shows: entities decoded, line breaks and runs
// of blanks as one blank.
std::string PlainText(const QString& markup) {
    return QTextDocumentFragment::fromHtml(markup).toPlainText().simplified().toStdString();
}

// The texts of the page's elements of `className`, in page order.
std::vector<std::string> MarkedTexts(const std::string& page, const QString& element,
                                     const QString& className) {
    const QRegularExpression marked("<" + element + R"(\s+class="\s*)" + className +
                                        R"(\s*"\s*>(.*?)</)" + element + ">",
                                    QRegularExpression::DotMatchesEverythingOption);
    std::vector<std::string> texts;
    auto matches = marked.globalMatch(QString::fromStdString(page));
    while (matches.hasNext()) {
        texts.push_back(PlainText(matches.next().captured(1)));
    }
    return texts;
}

// The words a skin picture shows.
std::set<std::string> PictureLabels(int pictureId) {
    const std::string svg = ReadAll(QString(":/skin/%1.svg").arg(pictureId));
    const QRegularExpression text(R"(<text\b[^>]*>(.*?)</text>)",
                                  QRegularExpression::DotMatchesEverythingOption);
    std::set<std::string> labels;
    auto matches = text.globalMatch(QString::fromStdString(svg));
    while (matches.hasNext()) {
        const std::string label = PlainText(matches.next().captured(1));
        if (!label.empty()) {
            labels.insert(label);
        }
    }
    return labels;
}

class HelpPageTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    // The labels on the visible buttons of a freshly started window.
    std::set<std::string> MainWindowButtonLabels() {
        const std::string scratch = MakeScratchDir("ui_help_page");
        AppLocations locations;
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        locations.appDir = VELTRANO_APP_DIR;
        CQuarvelDlg window(services, locations);
        std::set<std::string> labels;
        for (const CControlButton* button : window.findChildren<CControlButton*>()) {
            if (button->isHidden()) {
                continue;
            }
            labels.merge(PictureLabels(button->ShownImageId()));
        }
        return labels;
    }
};

TEST_F(HelpPageTest, NamesEachButtonOfTheWindowAsItsPictureReads) {
    const std::string page = HelpPage();
    ASSERT_FALSE(page.empty());
    const std::set<std::string> skinLabels = MainWindowButtonLabels();
    ASSERT_GE(skinLabels.size(), 9u);
    const std::vector<std::string> named = MarkedTexts(page, "span", "control");
    for (const std::string& name : named) {
        EXPECT_TRUE(skinLabels.contains(name))
            << "the page names a button \"" << name << "\" that the window does not show";
    }
    for (const std::string& label : skinLabels) {
        EXPECT_NE(std::find(named.begin(), named.end(), label), named.end())
            << "the page never names the button \"" << label << "\"";
    }
}

TEST_F(HelpPageTest, NamesTheWorkFilesAsTheEngineWritesThem) {
    const std::vector<std::string> named = MarkedTexts(HelpPage(), "code", "work-file");
    ASSERT_EQ(named.size(), 1u);
    // The page's "<12 hex digits>" placeholder stands for any such run.
    QString pattern = QRegularExpression::escape(QString::fromStdString(named[0]));
    pattern.replace(QRegularExpression(R"(\\<(\d+)\\ hex\\ digits\\>)"), "[0-9a-f]{\\1}");
    const QRegularExpression workName(QRegularExpression::anchoredPattern(pattern));

    const std::string folder = MakeScratchDir("ui_help_page_work_file");
    WorkFile work;
    ASSERT_EQ(CreateWorkFile(folder + "/song.mp3", work), 0);
    const std::string written = std::filesystem::path(work.path).filename().string();
    DiscardWorkFile(work);
    EXPECT_TRUE(workName.match(QString::fromStdString(written)).hasMatch())
        << "the page says \"" << named[0] << "\", the engine writes \"" << written << "\"";
}

} // namespace
