// The About box's links: text and address, colours after a visit, and the
// message when the desktop cannot open the address.
#include "ui/controls/hyper_link.h"

#include "tests/ui/fake_services.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class RefusingShell : public FakeDesktopShell {
public:
    bool OpenUrl(const std::string& url) override {
        FakeDesktopShell::OpenUrl(url);
        return false;
    }
};

void ClickAndLeave(CHyperLink& link) {
    QTest::mouseMove(&link, QPoint(3, link.height() / 2));
    QTest::mouseClick(&link, Qt::LeftButton, Qt::NoModifier, QPoint(3, link.height() / 2));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
}

TEST(HyperLink, AnEmptyTextShowsTheAddressAndNoAddressOpensTheText) {
    FakeDesktopShell shell;
    FakeUserDialogs dialogs;
    CHyperLink empty(shell, dialogs);
    empty.SetURL("https://github.com/veltrano");
    EXPECT_EQ(empty.text(), "https://github.com/veltrano");
    EXPECT_EQ(empty.toolTip(), "https://github.com/veltrano");
    EXPECT_GE(empty.width(), empty.fontMetrics().horizontalAdvance(empty.text()));

    CHyperLink textOnly(shell, dialogs);
    textOnly.setText("https://veltrano.github.io/");
    textOnly.SetURL("");
    EXPECT_EQ(textOnly.URL(), "https://veltrano.github.io/");
    EXPECT_TRUE(textOnly.GotoURL());
    EXPECT_EQ(shell.openedUrls, std::vector<std::string>{"https://veltrano.github.io/"});
}

TEST(HyperLink, ColoursFollowThePointerAndASuccessfulVisit) {
    FakeDesktopShell shell;
    FakeUserDialogs dialogs;
    CHyperLink link(shell, dialogs);
    link.SetURL("https://veltrano.github.io/");
    link.show();
    EXPECT_EQ(link.TextColour(), QColor(kSkinLink));
    EXPECT_FALSE(link.font().underline());

    QTest::mouseMove(&link, QPoint(3, link.height() / 2));
    EXPECT_TRUE(link.IsPointerOver());
    EXPECT_EQ(link.TextColour(), QColor(kSkinLinkHover));
    EXPECT_TRUE(link.font().underline());

    ClickAndLeave(link);
    EXPECT_TRUE(link.IsVisited());
    EXPECT_EQ(link.TextColour(), QColor(kSkinLinkVisited));
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(kSkinLinkVisited));
    EXPECT_FALSE(link.font().underline());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(HyperLink, AFailedOpenSaysSoWithTheReasonAndLeavesTheLinkUnvisited) {
    RefusingShell shell;
    FakeUserDialogs dialogs;
    CHyperLink link(shell, dialogs);
    link.SetURL("https://github.com/veltrano");
    link.show();
    ClickAndLeave(link);
    EXPECT_EQ(shell.openedUrls, std::vector<std::string>{"https://github.com/veltrano"});
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, "Unable to open hyperlink:\n\nThere is no application "
                                         "associated\nwith the given filename extension.");
    EXPECT_EQ(dialogs.messages[0].second, MessageIcon::Exclamation);
    EXPECT_FALSE(link.IsVisited());
    EXPECT_EQ(link.TextColour(), QColor(kSkinLink));
}

TEST(HyperLink, FailureReasonsByResult) {
    const std::pair<int, const char*> cases[] = {
        {2, "The specified file was not found."},
        {26, "A sharing violation occurred. "},
        {31, "There is no application associated\nwith the given filename extension."},
        {33, "Unknown Error (33) occurred."},
        {-1, "Unknown Error (-1) occurred."},
    };
    for (const auto& [result, text] : cases) {
        EXPECT_EQ(HyperlinkErrorText(result).toStdString(), text) << result;
    }
}

} // namespace
