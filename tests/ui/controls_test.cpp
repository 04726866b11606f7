// The check list with its check-all header, and the self-painting label.
#include "resources/check_header_bitmap.h"
#include "ui/controls/check_head_ctrl.h"
#include "ui/controls/check_list_ctrl.h"
#include "ui/controls/label.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- bitmap 292

const QRgb kMagenta = qRgb(255, 0, 255);

TEST(CheckHeaderBitmap, StripHoldsEmptyUncheckedAndCheckedImages) {
    const QImage strip(CheckHeaderBitmapXpm());
    ASSERT_EQ(strip.size(), QSize(48, 16));
    const int size = kCheckHeaderImageSize;
    auto pixel = [&](int image, int x, int y) {
        return strip.pixel(image * size + x, y) & 0xFFFFFF;
    };
    auto colours = [&](int image) {
        std::vector<QRgb> found;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                if (std::find(found.begin(), found.end(), pixel(image, x, y)) == found.end()) {
                    found.push_back(pixel(image, x, y));
                }
            }
        }
        return found;
    };
    // The empty image is all transparent colour; both boxes have it round them.
    EXPECT_EQ(colours(0), std::vector<QRgb>{kMagenta & 0xFFFFFF});
    EXPECT_EQ(pixel(1, 0, 0), kMagenta & 0xFFFFFF);
    EXPECT_EQ(pixel(2, 0, 0), kMagenta & 0xFFFFFF);
    // The unchecked box is frame and white; the checked one adds a black mark.
    EXPECT_EQ(colours(1).size(), 3u);
    EXPECT_EQ(colours(2).size(), 4u);
    EXPECT_EQ(pixel(1, 8, 8), qRgb(255, 255, 255) & 0xFFFFFF);
    const std::vector<QRgb> checked = colours(2);
    EXPECT_NE(std::find(checked.begin(), checked.end(), 0u), checked.end());
}

// ---------------------------------------------------------------- check list

enum class Box { Checked, Unchecked, None };

constexpr int kColumns = 3;

void AddRow(CCheckListCtrl& list, Box box) {
    const int row = list.rowCount();
    list.insertRow(row);
    auto* item = new QTableWidgetItem(QStringLiteral("/music/track%1.wav").arg(row));
    if (box != Box::None) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(box == Box::Checked ? Qt::Checked : Qt::Unchecked);
    }
    list.setItem(row, 0, item);
    list.setItem(row, 1, new QTableWidgetItem("00:00:00"));
}

QVariant CheckStateOf(const CCheckListCtrl& list, int row) {
    return list.item(row, 0)->data(Qt::CheckStateRole);
}

void SetRowChecked(CCheckListCtrl& list, int row, bool checked) {
    list.item(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

class CheckListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.setColumnCount(kColumns);
        list.setHorizontalHeaderLabels({"Source file", "Start time", "End time"});
        list.resize(500, 300);
        ASSERT_TRUE(list.InitCheckHeader());
    }

    void AddRows(const std::vector<Box>& boxes) {
        for (Box box : boxes) {
            AddRow(list, box);
        }
    }

    void ClickHeaderSection(int section) {
        QHeaderView* header = list.horizontalHeader();
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

    std::vector<bool> CheckedRows() const {
        std::vector<bool> checked;
        for (int row = 0; row < list.rowCount(); ++row) {
            checked.push_back(CheckStateOf(list, row).value<Qt::CheckState>() == Qt::Checked);
        }
        return checked;
    }

    CCheckListCtrl list;
};

TEST_F(CheckListTest, ListIsAFullRowMultiSelectionGridWithoutEditing) {
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(list.showGrid());
    EXPECT_EQ(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(list.verticalHeader()->isHidden());
    EXPECT_EQ(list.palette().color(QPalette::Base), QColor(241, 250, 233));
    EXPECT_NE(qobject_cast<CCheckHeadCtrl*>(list.horizontalHeader()), nullptr);
    EXPECT_TRUE(list.horizontalHeader()->defaultAlignment() & Qt::AlignLeft);
}

TEST_F(CheckListTest, HeaderStartsUncheckedAndSecondInitChangesNothing) {
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
    AddRows({Box::Checked});
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
    EXPECT_TRUE(list.InitCheckHeader());
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
}

struct RowChangeCase {
    const char* name;
    std::vector<Box> rows;
    int changedRow;
    bool checkIt;
    int headerImage;
};

class HeaderFollowsRowsTest : public CheckListTest,
                              public ::testing::WithParamInterface<RowChangeCase> {};

TEST_P(HeaderFollowsRowsTest, HeaderShowsWhetherEveryRowIsChecked) {
    const RowChangeCase& change = GetParam();
    AddRows(change.rows);
    SetRowChecked(list, change.changedRow, change.checkIt);
    EXPECT_EQ(list.HeaderImage(), change.headerImage);
}

const std::vector<RowChangeCase> kRowChanges = {
    {"CheckingLastUncheckedRowChecksHeader",
     {Box::Checked, Box::Unchecked, Box::Checked},
     1,
     true,
     CCheckHeadCtrl::kImageChecked},
    {"CheckingOneOfTwoUncheckedKeepsHeaderClear",
     {Box::Unchecked, Box::Unchecked},
     0,
     true,
     CCheckHeadCtrl::kImageUnchecked},
    {"UncheckingAnyRowClearsHeader",
     {Box::Checked, Box::Checked, Box::Checked},
     2,
     false,
     CCheckHeadCtrl::kImageUnchecked},
    {"UncheckingFirstRowClearsHeader",
     {Box::Checked, Box::Checked},
     0,
     false,
     CCheckHeadCtrl::kImageUnchecked},
    {"RowWithoutBoxCountsAsChecked",
     {Box::None, Box::Unchecked, Box::None},
     1,
     true,
     CCheckHeadCtrl::kImageChecked},
    {"RowWithoutBoxDoesNotHideAnUncheckedOne",
     {Box::None, Box::Checked, Box::Unchecked},
     1,
     true,
     CCheckHeadCtrl::kImageUnchecked},
};

INSTANTIATE_TEST_SUITE_P(CheckList, HeaderFollowsRowsTest, ::testing::ValuesIn(kRowChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckListTest, AddingAndRemovingRowsKeepsHeaderTrue) {
    AddRows({Box::Checked, Box::Checked});
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
    AddRow(list, Box::Unchecked);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
    list.removeRow(2);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
}

// The header follows the rows while they move under the unchecked row it
// last found: rows put in above it, the row itself removed, a long list
// appended after it, and rows without a box.
TEST_F(CheckListTest, HeaderStaysTrueAsRowsMoveAroundTheUncheckedOne) {
    AddRows({Box::Checked, Box::Unchecked, Box::Checked});
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
    list.insertRow(0); // the unchecked row moves down to row 2
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
    for (int i = 0; i < 200; ++i) {
        AddRow(list, Box::Checked);
    }
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
    SetRowChecked(list, 2, true);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
    SetRowChecked(list, 150, false);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
    AddRow(list, Box::Unchecked);
    list.removeRow(150);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked); // the new last row
    list.removeRow(list.rowCount() - 1);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
    AddRow(list, Box::None);
    list.setRowCount(0);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
}

TEST_F(CheckListTest, ClickingHeaderChecksAllThenUnchecksAll) {
    AddRows({Box::Checked, Box::Unchecked, Box::Checked});
    ASSERT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);

    ClickHeaderSection(0);
    EXPECT_EQ(CheckedRows(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);

    ClickHeaderSection(0);
    EXPECT_EQ(CheckedRows(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
}

TEST_F(CheckListTest, ClickingHeaderGivesRowsWithoutBoxTheHeadersState) {
    AddRows({Box::None, Box::Unchecked});
    ClickHeaderSection(0);
    EXPECT_EQ(CheckStateOf(list, 0).value<Qt::CheckState>(), Qt::Checked);
    EXPECT_TRUE(list.item(0, 0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
}

TEST_F(CheckListTest, ClickingOtherHeadingsChangesNoRow) {
    AddRows({Box::Checked, Box::Unchecked});
    ClickHeaderSection(1);
    ClickHeaderSection(2);
    EXPECT_EQ(CheckedRows(), (std::vector<bool>{true, false}));
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
}

TEST_F(CheckListTest, ClickingHeaderOfEmptyListOnlyTogglesTheBox) {
    ClickHeaderSection(0);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageChecked);
    ClickHeaderSection(0);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageUnchecked);
}

TEST(CheckListBeforeInit, HeaderHasNoBoxAndClicksChangeNoRow) {
    CCheckListCtrl list;
    list.setColumnCount(2);
    list.resize(400, 200);
    AddRow(list, Box::Unchecked);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageEmpty);

    QHeaderView* header = list.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionSize(0) / 2, header->height() / 2));
    EXPECT_EQ(CheckStateOf(list, 0).value<Qt::CheckState>(), Qt::Unchecked);
    EXPECT_EQ(list.HeaderImage(), CCheckHeadCtrl::kImageEmpty);
}

QImage SectionImage(QHeaderView& header, int section) {
    const QImage whole = header.grab().toImage();
    return whole.copy(header.sectionViewportPosition(section), 0, header.sectionSize(section),
                      whole.height());
}

bool HasColour(const QImage& image, QColor colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(CheckListTest, FirstHeadingPaintsTheBoxOfItsState) {
    const QColor boxFrame(0x1C, 0x51, 0x80);
    QHeaderView& header = *list.horizontalHeader();
    const QImage unchecked = SectionImage(header, 0);
    const QImage otherBefore = SectionImage(header, 1);
    EXPECT_TRUE(HasColour(unchecked, boxFrame));
    EXPECT_FALSE(HasColour(otherBefore, boxFrame));
    // The transparent colour never reaches the screen.
    EXPECT_FALSE(HasColour(unchecked, QColor(255, 0, 255)));

    ClickHeaderSection(0);
    const QImage checked = SectionImage(header, 0);
    EXPECT_TRUE(HasColour(checked, boxFrame));
    EXPECT_NE(checked, unchecked);
    EXPECT_EQ(SectionImage(header, 1), otherBefore);
}

TEST_F(CheckListTest, LeftClickReportsAfterTheSelectionChanged) {
    AddRows({Box::Checked, Box::Checked, Box::Checked});
    std::vector<int> selectedAtSignal;
    QObject::connect(&list, &CCheckListCtrl::rowClicked, [&] {
        for (const QModelIndex& index : list.selectionModel()->selectedRows()) {
            selectedAtSignal.push_back(index.row());
        }
    });
    const QRect secondRow = list.visualItemRect(list.item(1, 1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, secondRow.center());
    EXPECT_EQ(selectedAtSignal, std::vector<int>{1});
}

TEST_F(CheckListTest, RightClickAsksForTheContextMenuAtThePointer) {
    AddRows({Box::Checked});
    QSignalSpy menuRequests(&list, &CCheckListCtrl::contextMenuRequested);
    const QPoint local = list.visualItemRect(list.item(0, 1)).center();
    const QPoint global = list.viewport()->mapToGlobal(local);
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, global);
    QApplication::sendEvent(list.viewport(), &event);
    ASSERT_EQ(menuRequests.size(), 1);
    EXPECT_EQ(menuRequests.front().front().toPoint(), global);
}

// ---------------------------------------------------------------- label

const QColor kButtonFace(10, 200, 30);
const QColor kInk(200, 20, 40);

// A label with known colours: ink on a green button face.
class LabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        QPalette colours = QApplication::palette();
        colours.setColor(QPalette::Button, kButtonFace);
        colours.setColor(QPalette::WindowText, kInk);
        label = std::make_unique<CLabel>();
        label->setPalette(colours);
    }

    std::unique_ptr<CLabel> label;
};

QImage Render(CLabel& label, const QString& text) {
    label.setText(text);
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    return image;
}

// Bounding box of every pixel that is not the background.
QRect InkBounds(const QImage& image, QColor background) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != background) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

TEST_F(LabelTest, FillsBackgroundWithButtonFaceAndDrawsText) {
    label->resize(200, 20);
    const QImage empty = Render(*label, "");
    EXPECT_TRUE(InkBounds(empty, kButtonFace).isNull());
    const QImage text = Render(*label, "Converting...");
    EXPECT_FALSE(InkBounds(text, kButtonFace).isNull());
    EXPECT_EQ(text.pixelColor(199, 19), kButtonFace);
}

TEST(Label, TakesSystemColoursWhenMade) {
    CLabel label;
    label.resize(60, 16);
    const QImage image = Render(label, "");
    EXPECT_EQ(image.pixelColor(30, 8), label.palette().color(QPalette::Button));
}

TEST_F(LabelTest, NewButtonFaceColourRebuildsTheBackground) {
    label->resize(60, 16);
    QPalette changed = label->palette();
    changed.setColor(QPalette::Button, QColor(0, 0, 255));
    label->setPalette(changed);
    const QImage image = Render(*label, "");
    EXPECT_EQ(image.pixelColor(30, 8), QColor(0, 0, 255));
}

TEST_F(LabelTest, TabAfterFirstCharacterExpandsToATabStop) {
    label->resize(300, 20);
    const QImage tab = Render(*label, "a\tb");
    const QImage blank = Render(*label, "a b");
    EXPECT_GT(InkBounds(tab, kButtonFace).width(), InkBounds(blank, kButtonFace).width());
    // A leading tab is not expanded: it takes a blank's place.
    EXPECT_EQ(Render(*label, "\tab"), Render(*label, " ab"));
}

constexpr const char* kLongText = "one two three four five six seven eight nine ten eleven";

TEST_F(LabelTest, CentredTextWrapsInsideTheWidthAndIsCentred) {
    label->resize(120, 100);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    const int lineHeight = QFontMetrics(label->font()).height();
    const QRect wrapped = InkBounds(Render(*label, kLongText), kButtonFace);
    EXPECT_GT(wrapped.height(), 2 * lineHeight);
    EXPECT_LE(wrapped.right(), 119);

    const QRect shortLine = InkBounds(Render(*label, "mid"), kButtonFace);
    EXPECT_NEAR(shortLine.left(), 119 - shortLine.right(), 2);
}

TEST_F(LabelTest, RightAlignedTextWrapsAndEndsAtTheRightEdge) {
    label->resize(120, 100);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    const int lineHeight = QFontMetrics(label->font()).height();
    EXPECT_GT(InkBounds(Render(*label, kLongText), kButtonFace).height(), 2 * lineHeight);
    const QRect shortLine = InkBounds(Render(*label, "end"), kButtonFace);
    EXPECT_GT(shortLine.left(), 60);
    EXPECT_GE(shortLine.right(), 110);
}

TEST_F(LabelTest, LeftTextWrapsOnlyWithWordWrap) {
    label->resize(120, 100);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int lineHeight = QFontMetrics(label->font()).height();
    label->setWordWrap(false);
    EXPECT_LE(InkBounds(Render(*label, kLongText), kButtonFace).height(), lineHeight);
    label->setWordWrap(true);
    EXPECT_GT(InkBounds(Render(*label, kLongText), kButtonFace).height(), 2 * lineHeight);
}

TEST_F(LabelTest, CentreImageCentresOneLineBothWaysUnlessItHoldsALineBreak) {
    label->resize(200, 100);
    label->SetCentreImage(true);
    const QRect single = InkBounds(Render(*label, "mid"), kButtonFace);
    EXPECT_NEAR(single.left(), 199 - single.right(), 2);
    EXPECT_NEAR(single.top(), 99 - single.bottom(), 4);

    const QRect twoLines = InkBounds(Render(*label, "upper\r\nlower"), kButtonFace);
    EXPECT_NEAR(twoLines.left(), 199 - twoLines.right(), 2);
    EXPECT_LT(twoLines.top(), single.top());
    EXPECT_GT(twoLines.height(), single.height() * 3 / 2);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

TEST_F(LabelTest, RepaintsWhenItsTextChanges) {
    label->resize(200, 20);
    label->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(label.get()));
    QApplication::processEvents();
    PaintCounter counter;
    label->installEventFilter(&counter);
    label->setText("1 Task Completed / Total 3 Task(s)");
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
}

} // namespace
