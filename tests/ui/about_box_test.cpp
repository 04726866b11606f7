// The About box tells which version this is and under which licence it may
// be shared, below the support and home page links.
#include "resources/control_ids.h"
#include "resources/version.h"
#include "tests/ui/fake_services.h"
#include "ui/about_dialog.h"
#include "ui/dialog_builder.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The box's labels other than the template's, top to bottom.
std::vector<QLabel*> AddedLabels(const CAbout& about) {
    std::vector<QLabel*> added;
    for (QLabel* label : about.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QString text = label->text();
        if (ControlIdOf(*label) == ids::kStatic && !text.isEmpty() && text != "Support:" &&
            text != "Homepage:") {
            added.push_back(label);
        }
    }
    std::sort(added.begin(), added.end(),
              [](const QLabel* a, const QLabel* b) { return a->y() < b->y(); });
    return added;
}

TEST(AboutBox, ShowsTheVersionAndTheLicenceBelowTheLinks) {
    FakeWindowServices<> fakes;
    CAbout about(fakes.shell, fakes.dialogs, nullptr);
    about.show();
    const std::vector<QLabel*> added = AddedLabels(about);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0]->text().toStdString(), std::string("Version ") + kVeltranoVersion);
    EXPECT_NE(added[1]->text().indexOf("GNU General Public License, version 3 or later"), -1)
        << added[1]->text().toStdString();

    const QWidget* homepage = FindControl(about, ids::kHomepageLink);
    const QWidget* ok = FindControl(about, ids::kAboutOk);
    ASSERT_NE(homepage, nullptr);
    ASSERT_NE(ok, nullptr);
    for (const QLabel* label : added) {
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_TRUE(label->isVisible());
        EXPECT_GE(label->y(), homepage->geometry().bottom());
        EXPECT_LE(label->geometry().bottom(), ok->y());
        // The whole text fits inside the box.
        EXPECT_LE(label->x() + label->sizeHint().width(), about.width());
        EXPECT_GE(label->width(), label->sizeHint().width());
    }
}

} // namespace
