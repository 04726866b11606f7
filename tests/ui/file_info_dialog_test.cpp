// The File Information dialog: what the main window's command shows for real
// files through the probe, and the ways it closes.
#include "ui/file_info_dialog.h"

#include "resources/control_ids.h"
#include "tasks/file_info_texts.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using veltrano::test::FixturePath;
using veltrano::test::RunCommand;
using veltrano::test::ShellQuote;

using Texts = std::vector<std::string>;

// The fields in the order the dialog shows them, top to bottom.
constexpr int kFields[] = {ids::kInfoFileName,  ids::kInfoMediaLength,  ids::kInfoResolution,
                           ids::kInfoFrameRate, ids::kInfoVideoBitRate, ids::kInfoAudioBitRate,
                           ids::kInfoSamples,   ids::kInfoChannel};

Texts FieldTexts(const QWidget& dialog) {
    Texts texts;
    for (const int id : kFields) {
        const auto* field = FindControlAs<QLineEdit>(dialog, id);
        texts.push_back(field == nullptr ? "<no field>" : field->text().toStdString());
    }
    return texts;
}

// The stream's bit rate as ffprobe reads it, in the dialog's form; ffprobe
// prints "N/A" for a stream without one.
std::string FfprobeKbps(const std::string& path, const char* stream) {
    const std::string output =
        RunCommand("ffprobe -v error -select_streams " + std::string(stream) +
                   " -show_entries stream=bit_rate -of default=nw=1:nk=1 " + ShellQuote(path));
    long long bitRate = 0;
    try {
        bitRate = std::stoll(output);
    } catch (const std::exception&) {
    }
    return std::to_string(bitRate / 1000) + " Kbps";
}

class FileInfoDialogTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    void SetUp() override {
        const std::string scratch = veltrano::test::MakeScratchDir("ui_file_info");
        locations = {scratch + "/bin/Path_Registration.ini", scratch + "/OutPut"};
    }

    // Adds the file to a fresh main window, selects it and runs the File
    // Information command; returns what the dialog showed.
    Texts ShownByTheWindow(const std::string& path) {
        CQuarvelDlg window(services, locations);
        dialogs.fileChoices.push_back({path});
        FindControlAs<QPushButton>(window, ids::kAdd)->click();
        EXPECT_EQ(window.View().RowCount(), 1);
        window.View().SetRowSelected(0, true);

        Texts shown;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* information = qobject_cast<CFileInfomation*>(modal)) {
                shown = FieldTexts(*information);
                FindControlAs<QPushButton>(*information, ids::kInfoOk)->click();
            } else if (modal != nullptr) {
                modal->close();
            }
        });
        FindControlAs<QPushButton>(window, ids::kFileInformation)->click();
        return shown;
    }

    AppLocations locations;
};

TEST_F(FileInfoDialogTest, AudioOnlyFileShowsNoVideoFacts) {
    const std::string path = FixturePath("stereo44.wav");
    EXPECT_EQ(ShownByTheWindow(path),
              (Texts{"stereo44.wav", "00:00:05", "", "", "", FfprobeKbps(path, "a:0"),
                     "44100 Hz, 16 bits", "2 Channel stereo"}));
}

TEST_F(FileInfoDialogTest, VideoWithoutSoundShowsNoAudioFacts) {
    const std::string path = FixturePath("video_silent.mp4");
    EXPECT_EQ(ShownByTheWindow(path), (Texts{"video_silent.mp4", "00:00:03", "160*120", "25.00 fps",
                                             FfprobeKbps(path, "v:0"), "", "", ""}));
}

TEST_F(FileInfoDialogTest, SixChannelSourceShowsItsLayout) {
    const std::string path = FixturePath("surround48.flac");
    EXPECT_EQ(ShownByTheWindow(path),
              (Texts{"surround48.flac", "00:00:05", "", "", "", FfprobeKbps(path, "a:0"),
                     "48000 Hz, 24 bits", "6 Channel stereo"}));
}

TEST_F(FileInfoDialogTest, NothingSelectedShowsNoDialog) {
    CQuarvelDlg window(services, locations);
    dialogs.fileChoices.push_back({FixturePath("stereo44.wav")});
    FindControlAs<QPushButton>(window, ids::kAdd)->click();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    FindControlAs<QPushButton>(window, ids::kFileInformation)->click();
    QApplication::processEvents();
    EXPECT_FALSE(opened);
}

FileInfoTexts SongFacts() {
    FileInfoTexts facts;
    facts.filePathText = "/home/user/music/song.mp3";
    facts.endTimeText = "00:03:25";
    facts.frameRateText = " 0.00 fps";
    facts.widthText = "0";
    facts.heightText = "0";
    facts.videoCodecText = "0";
    facts.audioCodecText = "86017";
    facts.videoBitRateText = "0";
    facts.channelsText = "2";
    facts.sampleRateText = "44100";
    facts.audioBitRateText = "128000";
    return facts;
}

TEST_F(FileInfoDialogTest, IsBuiltFromItsTemplateWithReadOnlyFields) {
    CFileInfomation information(SongFacts());
    information.show();
    EXPECT_EQ(information.windowTitle(), "File Information");
    EXPECT_EQ(FieldTexts(information), (Texts{"song.mp3", "00:03:25", "", "", "", "128 Kbps",
                                              "44100 Hz", "2 Channel stereo"}));
    for (const int id : kFields) {
        const auto* field = FindControlAs<QLineEdit>(information, id);
        ASSERT_NE(field, nullptr) << id;
        EXPECT_TRUE(field->isReadOnly()) << id;
        EXPECT_TRUE(field->hasFrame()) << id;
    }
    QStringList frames;
    for (const QGroupBox* frame : information.findChildren<QGroupBox*>()) {
        frames << frame->title();
    }
    EXPECT_EQ(frames, QStringList({"Video", "Audio"}));
}

enum class CloseBy { OkButton, EnterInAField, EscapeKey, CloseBox };

TEST_F(FileInfoDialogTest, OkEnterEscapeAndTheCloseBoxAllClose) {
    for (const CloseBy way :
         {CloseBy::OkButton, CloseBy::EnterInAField, CloseBy::EscapeKey, CloseBy::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(way));
        CFileInfomation information(SongFacts());
        information.show();
        auto* field = FindControlAs<QLineEdit>(information, ids::kInfoSamples);
        switch (way) {
        case CloseBy::OkButton:
            FindControlAs<QPushButton>(information, ids::kInfoOk)->click();
            break;
        case CloseBy::EnterInAField:
            QTest::keyClick(field, Qt::Key_Return);
            break;
        case CloseBy::EscapeKey:
            QTest::keyClick(field, Qt::Key_Escape);
            break;
        case CloseBy::CloseBox:
            information.close();
            break;
        }
        EXPECT_FALSE(information.isVisible());
    }
}

} // namespace
