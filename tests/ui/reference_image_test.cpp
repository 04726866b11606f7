// The whole main window as drawn offscreen at 100 % and 200 %, against the
// reference images in tests/ui/reference. When the artwork changes on
// purpose, `tools/screenshot.sh --references` draws them again.
#include "tests/support/media_check.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <string>

namespace {

using veltrano::test::MakeScratchDir;

// Text may be drawn a little differently by another build of the font
// library: a pixel counts as different beyond this much on a channel, and a
// small share of such pixels is allowed.
constexpr int kChannelTolerance = 48;
constexpr double kAllowedDifferentShare = 0.02;

QImage RenderWindow(double scale, const std::string& outPath) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("QT_SCALE_FACTOR", QString::number(scale));
    environment.remove("QT_FONT_DPI");
    tool.setProcessEnvironment(environment);
    tool.start(VELTRANO_SKIN_TOOL_PATH, {"window", QString::fromStdString(outPath)});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
        ADD_FAILURE() << "the skin tool failed: " << tool.readAllStandardError().toStdString();
        return {};
    }
    return QImage(QString::fromStdString(outPath)).convertToFormat(QImage::Format_RGB32);
}

bool Differs(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) > kChannelTolerance ||
           std::abs(qGreen(a) - qGreen(b)) > kChannelTolerance ||
           std::abs(qBlue(a) - qBlue(b)) > kChannelTolerance;
}

double DifferentShare(const QImage& drawn, const QImage& reference) {
    long long different = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            different += Differs(drawn.pixel(x, y), reference.pixel(x, y)) ? 1 : 0;
        }
    }
    return static_cast<double>(different) / (drawn.width() * drawn.height());
}

class ReferenceImageTest : public ::testing::TestWithParam<int> {};

TEST_P(ReferenceImageTest, TheWindowWithThreeTasksLooksAsItsReference) {
    const int scale = GetParam();
    const std::string name = "main_window_" + std::to_string(scale) + "x.png";
    const std::string outPath = MakeScratchDir("ui_reference") + "/" + name;
    const QImage drawn = RenderWindow(scale, outPath);
    const QImage reference =
        QImage(QString(VELTRANO_REFERENCE_DIR "/") + QString::fromStdString(name))
            .convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(reference.isNull()) << name;
    ASSERT_FALSE(drawn.isNull());
    ASSERT_EQ(drawn.size(), QSize(880, 540) * scale);
    ASSERT_EQ(drawn.size(), reference.size());
    EXPECT_LE(DifferentShare(drawn, reference), kAllowedDifferentShare)
        << "drawn: " << outPath << "; after a deliberate change of the artwork run "
        << "tools/screenshot.sh --references";
}

INSTANTIATE_TEST_SUITE_P(Scales, ReferenceImageTest, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Scale" + std::to_string(info.param);
                         });

} // namespace
