// The Settings dialog over the shared output parameters: what each format
// offers on first opening, what OK stores, what the dialog remembers from one
// opening to the next, and what it refuses to store.
#include "ui/settings_dialog.h"

#include "engine/encoder_check.h"
#include "profiles/output_catalogue.h"
#include "profiles/settings_choices.h"
#include "resources/control_ids.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace veltrano::test;

using Items = std::vector<std::string>;

const int kAacIndex = 0;
const int kAc3Index = 1;
const int kAuIndex = 3;
const int kMp2Index = 5;
const int kMp3Index = 6;
const int kOggIndex = 7;
const int kRaIndex = 8;
const int kWavIndex = 9;
const int kWmaIndex = 10;
const int kFlacIndex = 11;
const int kOpusIndex = 12;
const int kAlacIndex = 13;

const Items kBitRates = {"64 kbps",  "96 kbps",  "128 kbps", "160 kbps",
                         "192 kbps", "256 kbps", "320 kbps"};
const Items kSampleRates = {"Same as source", "44100 Hz", "48000 Hz", "22050 Hz", "32000 Hz"};
const Items kHiResSampleRates = {"Same as source", "44100 Hz", "48000 Hz",  "22050 Hz", "32000 Hz",
                                 "88200 Hz",       "96000 Hz", "176400 Hz", "192000 Hz"};
const Items kMonoStereo = {"Same as source", "1 Channel Mono", "2 Channel Stereo"};
const Items kWithSurround = {"Same as source", "1 Channel Mono", "2 Channel Stereo", "5.1 Channel"};

// Every field, so that "nothing changed" compares all of them.
auto Fields(const OutputParameters& settings) {
    return std::tuple(settings.profileId, settings.audioEncoder, settings.audioBitRate,
                      settings.sampleRate, settings.channels, settings.savedProfileId,
                      settings.savedAudioEncoderText);
}

Items ItemsOf(const QComboBox& list) {
    Items items;
    for (int index = 0; index < list.count(); ++index) {
        items.push_back(list.itemText(index).toStdString());
    }
    return items;
}

std::string Selected(const QComboBox& list) {
    return list.currentText().toStdString();
}

// Picks an item with the arrow keys, as a user would without opening the list.
void Pick(QComboBox& list, const std::string& text) {
    const int wanted = list.findText(QString::fromStdString(text));
    ASSERT_GE(wanted, 0) << text;
    list.setFocus();
    while (list.currentIndex() < wanted) {
        QTest::keyClick(&list, Qt::Key_Down);
    }
    while (list.currentIndex() > wanted) {
        QTest::keyClick(&list, Qt::Key_Up);
    }
    ASSERT_EQ(Selected(list), text);
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { OutputSettings = OutputParameters{}; }
    void TearDown() override { OutputSettings = OutputParameters{}; }

    // The main window's format choice: its defaults in force, its text for
    // the dialog.
    void ChooseFormat(int index) {
        SelectOutputFormat(OutputSettings, index);
        formatText = kOutputFormats[index].text;
    }

    CSettings& Open() {
        dialog = std::make_unique<CSettings>(OutputSettings, dialogs, formatText);
        dialog->show();
        return *dialog;
    }

    QComboBox& List(int id) { return *FindControlAs<QComboBox>(*dialog, id); }
    QComboBox& Encoders() { return List(ids::kSettingEncoder); }
    QComboBox& BitRates() { return List(ids::kSettingBitRate); }
    QComboBox& SampleRates() { return List(ids::kSettingSampleRate); }
    QComboBox& Channels() { return List(ids::kSettingChannel); }
    QPushButton& Button(int id) { return *FindControlAs<QPushButton>(*dialog, id); }

    // The three rate lists' selections, in the order the dialog shows them.
    Items RateSelections() {
        return {Selected(BitRates()), Selected(SampleRates()), Selected(Channels())};
    }

    void PressOk() { Button(ids::kSettingOk).click(); }

    FakeUserDialogs dialogs;
    std::string formatText = kOutputFormats[kAacIndex].text;
    std::unique_ptr<CSettings> dialog;
};

TEST_F(SettingsDialogTest, IsBuiltFromItsTemplateWithTipsAndARedBanner) {
    ChooseFormat(kMp3Index);
    CSettings& settings = Open();

    EXPECT_EQ(settings.windowTitle(), "Setting");
    EXPECT_EQ(Button(ids::kSettingDefault).toolTip(), "Default setting");
    EXPECT_EQ(Button(ids::kSettingOk).toolTip(), "OK");
    EXPECT_EQ(Button(ids::kSettingCancel).toolTip(), "Cancel");
    EXPECT_TRUE(Button(ids::kSettingOk).isDefault());

    QPushButton& banner = Button(ids::kSettingBanner);
    EXPECT_EQ(banner.text(), "MP3 - MPEG Layer-3 Audio(*.MP3)");
    EXPECT_FALSE(banner.isEnabled());
    EXPECT_EQ(banner.palette().color(QPalette::Disabled, QPalette::ButtonText), QColor(255, 0, 0));

    for (const int id : {ids::kSettingEncoder, ids::kSettingBitRate, ids::kSettingSampleRate,
                         ids::kSettingChannel}) {
        EXPECT_FALSE(List(id).isEditable()) << id;
    }
    QStringList labels;
    for (const QLabel* label : settings.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        labels << label->text();
    }
    EXPECT_EQ(labels, QStringList({"Format Preset:", "Encoder:", "Bit Rate:", "Sample Rate:",
                                   "Channel:", "Normalise to:",
                                   "AAC, AC3, AIFF, AU, MP2, RA and WAV hold no tags and get none.",
                                   "Output names:", ""}));
    const QList<QGroupBox*> groups = settings.findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups[0]->title(), "Audio");
    EXPECT_EQ(groups[1]->title(), "Loudness");
    EXPECT_EQ(groups[2]->title(), "Output");
    // Each group sits below the one before, the last above the buttons.
    EXPECT_GE(groups[1]->geometry().top(), groups[0]->geometry().bottom());
    EXPECT_GE(groups[2]->geometry().top(), groups[1]->geometry().bottom());
    EXPECT_LE(groups[2]->geometry().bottom(), Button(ids::kSettingOk).geometry().top());
}

TEST_F(SettingsDialogTest, OutputNamesAreStoredByOkAndABadPatternKeepsTheDialogOpen) {
    ChooseFormat(kMp3Index);
    Open();
    auto& pattern = *FindControlAs<QLineEdit>(*dialog, ids::kSettingNamePattern);
    auto& onlyNew = *FindControlAs<QCheckBox>(*dialog, ids::kSettingOnlyNew);
    EXPECT_EQ(onlyNew.text(), "Only new and changed files");
    EXPECT_TRUE(pattern.text().isEmpty());
    EXPECT_FALSE(onlyNew.isChecked());

    // Refused patterns name what is wrong; nothing is stored.
    for (const char* bad : {"{artist}/{bogus}", "{album/{title}"}) {
        pattern.clear();
        QTest::keyClicks(&pattern, bad);
        onlyNew.setChecked(true);
        PressOk();
        EXPECT_TRUE(dialog->isVisible()) << bad;
        ASSERT_FALSE(dialogs.messages.empty()) << bad;
        EXPECT_NE(dialogs.messages.back().first.find("Output names: "), std::string::npos);
        EXPECT_TRUE(OutputSettings.namePattern.empty());
        EXPECT_FALSE(OutputSettings.onlyNewAndChanged);
    }
    EXPECT_NE(dialogs.messages.front().first.find("bogus"), std::string::npos);

    pattern.setText("{artist}/{track:02} {title}");
    PressOk();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(OutputSettings.namePattern, "{artist}/{track:02} {title}");
    EXPECT_TRUE(OutputSettings.onlyNewAndChanged);

    // The next opening shows them; emptying the field gives today's names.
    Open();
    auto& again = *FindControlAs<QLineEdit>(*dialog, ids::kSettingNamePattern);
    EXPECT_EQ(again.text(), "{artist}/{track:02} {title}");
    EXPECT_TRUE(FindControlAs<QCheckBox>(*dialog, ids::kSettingOnlyNew)->isChecked());
    again.clear();
    PressOk();
    EXPECT_TRUE(OutputSettings.namePattern.empty());
}

TEST_F(SettingsDialogTest, ThePreviewShowsTheNameTheSelectedRowsTagsGive) {
    const std::string folder = MakeScratchDir("settings_name_preview");
    const std::string tagged = folder + "/take 1.flac";
    int exitCode = -1;
    RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i sine=d=0.2 -metadata artist='Ann Lee' "
               "-metadata title='Blue / Green' -metadata track=3 " +
                   ShellQuote(tagged),
               &exitCode);
    ASSERT_EQ(exitCode, 0);
    ChooseFormat(kMp3Index);
    OutputSettings.namePattern = "{artist}/{track:02} {title}";
    dialog = std::make_unique<CSettings>(OutputSettings, dialogs, formatText, nullptr, tagged);
    dialog->show();
    auto& preview = *FindControlAs<QLabel>(*dialog, ids::kSettingNamePreview);
    // A "/" inside a tag stays inside its one name component.
    EXPECT_EQ(preview.toolTip(), "Ann Lee/03 Blue _ Green.mp3");
    EXPECT_TRUE(preview.text().startsWith("Preview: Ann Lee/"));

    auto& pattern = *FindControlAs<QLineEdit>(*dialog, ids::kSettingNamePattern);
    pattern.setText("{album}/{name}");
    EXPECT_EQ(preview.toolTip(), "Unknown Album/take 1.mp3");
    pattern.setText("{album");
    EXPECT_TRUE(preview.text().isEmpty());
    pattern.clear();
    EXPECT_TRUE(preview.text().isEmpty());
}

TEST_F(SettingsDialogTest, LoudnessStartsOffAndOkStoresItWhileCancelKeepsIt) {
    ChooseFormat(kMp3Index);
    Open();
    auto& replayGain = *FindControlAs<QCheckBox>(*dialog, ids::kSettingReplayGain);
    QComboBox& normalize = List(ids::kSettingNormalize);
    EXPECT_EQ(replayGain.text(), "Write ReplayGain tags");
    EXPECT_FALSE(replayGain.isChecked());
    EXPECT_EQ(ItemsOf(normalize), Items({"Off", "-14 LUFS", "-16 LUFS", "-18 LUFS", "-23 LUFS"}));
    EXPECT_EQ(Selected(normalize), "Off");

    replayGain.click();
    Pick(normalize, "-16 LUFS");
    Button(ids::kSettingCancel).click();
    EXPECT_FALSE(OutputSettings.writeReplayGain);
    EXPECT_EQ(OutputSettings.normalizeLufs, 0);

    Open();
    FindControlAs<QCheckBox>(*dialog, ids::kSettingReplayGain)->click();
    Pick(List(ids::kSettingNormalize), "-16 LUFS");
    PressOk();
    EXPECT_TRUE(OutputSettings.writeReplayGain);
    EXPECT_EQ(OutputSettings.normalizeLufs, -16);

    // The next opening shows the choices in force, whatever the format.
    ChooseFormat(kFlacIndex);
    Open();
    EXPECT_TRUE(FindControlAs<QCheckBox>(*dialog, ids::kSettingReplayGain)->isChecked());
    EXPECT_EQ(Selected(List(ids::kSettingNormalize)), "-16 LUFS");
}

// The album choice only means something with a target to normalise to.
TEST_F(SettingsDialogTest, NormaliseAlbumsIsOfferedOnlyWithATargetAndOkStoresIt) {
    ChooseFormat(kFlacIndex);
    Open();
    auto& albums = *FindControlAs<QCheckBox>(*dialog, ids::kSettingNormalizeAlbums);
    QComboBox& normalize = List(ids::kSettingNormalize);
    EXPECT_EQ(albums.text(), "Normalise albums as a whole");
    EXPECT_FALSE(albums.isChecked());
    // Inside the Loudness group, below the list.
    const QList<QGroupBox*> groups = dialog->findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 3);
    EXPECT_TRUE(groups[1]->geometry().contains(albums.geometry()));
    EXPECT_GE(albums.geometry().top(), normalize.geometry().bottom());

    struct Step {
        const char* target;
        bool enabled;
    };
    for (const Step step : {Step{"Off", false}, Step{"-14 LUFS", true}, Step{"-23 LUFS", true},
                            Step{"Off", false}, Step{"-16 LUFS", true}}) {
        Pick(normalize, step.target);
        EXPECT_EQ(albums.isEnabled(), step.enabled) << step.target;
    }
    albums.click();
    PressOk();
    EXPECT_EQ(OutputSettings.normalizeLufs, -16);
    EXPECT_TRUE(OutputSettings.normalizeAlbums);

    // Reopened, it shows the choice in force, and Cancel keeps it.
    Open();
    auto& again = *FindControlAs<QCheckBox>(*dialog, ids::kSettingNormalizeAlbums);
    EXPECT_TRUE(again.isChecked());
    EXPECT_TRUE(again.isEnabled());
    again.click();
    Button(ids::kSettingCancel).click();
    EXPECT_TRUE(OutputSettings.normalizeAlbums);
}

struct FirstOpeningCase {
    const char* name;
    int formatIndex;
    Items encoders;
    std::string encoder; // preselected
    Items channels;
    Items inForce; // bit rate, sample rate and channel the format put in force
    Items sampleRates = kSampleRates;
};

const std::vector<FirstOpeningCase> kFirstOpenings = {
    {"Mp3", kMp3Index, {"MP3"}, "MP3", kMonoStereo, {"128 kbps", "44100 Hz", "2 Channel Stereo"}},
    {"Aac", kAacIndex, {"AAC"}, "AAC", kMonoStereo, {"192 kbps", "48000 Hz", "2 Channel Stereo"}},
    {"Ogg",
     kOggIndex,
     {"VORBIS"},
     "VORBIS",
     {"Same as source", "2 Channel Stereo"},
     {"128 kbps", "44100 Hz", "2 Channel Stereo"}},
    {"Wma",
     kWmaIndex,
     {"WMA7", "WMA8"},
     "WMA8",
     kMonoStereo,
     {"128 kbps", "44100 Hz", "2 Channel Stereo"}},
    {"Ac3", kAc3Index, {"AC3"}, "AC3", kWithSurround, {"192 kbps", "48000 Hz", "2 Channel Stereo"}},
    {"Ra", kRaIndex, {"AC3"}, "AC3", kWithSurround, {"128 kbps", "44100 Hz", "2 Channel Stereo"}},
    {"Wav",
     kWavIndex,
     {"PCM_S16LE", "PCM_ALAW", "PCM_MULAW", "PCM_S24LE", "PCM_F32LE"},
     "PCM_S16LE",
     kMonoStereo,
     {"128 kbps", "44100 Hz", "2 Channel Stereo"},
     kHiResSampleRates},
    {"Flac",
     kFlacIndex,
     {"FLAC"},
     "FLAC",
     kMonoStereo,
     {"128 kbps", "44100 Hz", "2 Channel Stereo"},
     kHiResSampleRates},
    {"Opus",
     kOpusIndex,
     {"OPUS"},
     "OPUS",
     kWithSurround,
     {"128 kbps", "48000 Hz", "2 Channel Stereo"},
     {"Same as source", "48000 Hz"}},
    {"Alac",
     kAlacIndex,
     {"ALAC"},
     "ALAC",
     kMonoStereo,
     {"128 kbps", "Same as source", "Same as source"},
     kHiResSampleRates},
};

class FirstOpeningTest : public SettingsDialogTest,
                         public ::testing::WithParamInterface<FirstOpeningCase> {};

// The lists show what is in force, so OK with nothing touched keeps it: AAC
// stays at 48000 Hz and OGG at 128 kbps. Reopened, the dialog shows the same
// values, and a second OK changes nothing at all.
TEST_P(FirstOpeningTest, OffersTheEncodersListsAndShowsTheValuesInForce) {
    const FirstOpeningCase& expected = GetParam();
    ChooseFormat(expected.formatIndex);
    const OutputParameters chosen = OutputSettings;
    Open();

    EXPECT_EQ(ItemsOf(Encoders()), expected.encoders);
    EXPECT_EQ(Selected(Encoders()), expected.encoder);
    EXPECT_EQ(ItemsOf(BitRates()), kBitRates);
    EXPECT_EQ(ItemsOf(SampleRates()), expected.sampleRates);
    EXPECT_EQ(ItemsOf(Channels()), expected.channels);
    EXPECT_EQ(RateSelections(), expected.inForce);

    PressOk();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialogs.messages.empty());
    const ProfileId profileId = kOutputFormats[expected.formatIndex].profileId;
    const auto afterOk =
        std::tuple(profileId, expected.encoder, chosen.audioBitRate, chosen.sampleRate,
                   chosen.channels, profileId, expected.encoder);
    EXPECT_EQ(Fields(OutputSettings), afterOk);

    Open();
    EXPECT_EQ(Selected(Encoders()), expected.encoder);
    EXPECT_EQ(RateSelections(), expected.inForce);
    PressOk();
    EXPECT_EQ(Fields(OutputSettings), afterOk);
}

INSTANTIATE_TEST_SUITE_P(Formats, FirstOpeningTest, ::testing::ValuesIn(kFirstOpenings),
                         [](const auto& info) { return std::string(info.param.name); });

// Every encoder a preset offers takes the lists' own preselection.
TEST_F(SettingsDialogTest, EveryEncoderOfEveryFormatTakesThePreselectedRates) {
    for (int index = 0; index < kOutputFormatCount; ++index) {
        for (const std::string& encoder : kFormatPresets[index].encoders) {
            SCOPED_TRACE(std::string(kOutputFormats[index].text) + " " + encoder);
            ChooseFormat(index);
            Open();
            Pick(Encoders(), encoder);
            PressOk();
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(OutputSettings.audioEncoder, encoder);
        }
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsDialogTest, SurroundForAc3AndRaSetsSixChannels) {
    for (const int index : {kAc3Index, kRaIndex}) {
        SCOPED_TRACE(kOutputFormats[index].text);
        ChooseFormat(index);
        Open();
        Pick(Channels(), "5.1 Channel");
        PressOk();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(OutputSettings.channels, 6);
        EXPECT_EQ(OutputSettings.audioEncoder, "AC3");
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsDialogTest, ReopensWithTheConfirmedChoiceWhileItIsInForce) {
    ChooseFormat(kWavIndex);
    Open();
    Pick(Encoders(), "PCM_ALAW");
    Pick(BitRates(), "320 kbps");
    Pick(SampleRates(), "22050 Hz");
    Pick(Channels(), "1 Channel Mono");
    PressOk();
    const auto confirmed = std::tuple(90109, std::string("PCM_ALAW"), 320000, 22050, 1, 90109,
                                      std::string("PCM_ALAW"));
    EXPECT_EQ(Fields(OutputSettings), confirmed);

    // Reopened: every list shows the confirmed choice, and OK keeps it.
    Open();
    EXPECT_EQ(Selected(Encoders()), "PCM_ALAW");
    EXPECT_EQ(RateSelections(), (Items{"320 kbps", "22050 Hz", "1 Channel Mono"}));
    PressOk();
    EXPECT_EQ(Fields(OutputSettings), confirmed);

    // Choosing WAV again puts its defaults in force, and the dialog shows them.
    ChooseFormat(kWavIndex);
    Open();
    EXPECT_EQ(Selected(Encoders()), "PCM_S16LE");
    EXPECT_EQ(RateSelections(), (Items{"128 kbps", "44100 Hz", "2 Channel Stereo"}));
    Button(ids::kSettingCancel).click();
    EXPECT_EQ(OutputSettings.audioEncoder, "PCM_S16LE");
    EXPECT_EQ(OutputSettings.sampleRate, 44100);

    // Confirming MP3 makes it the remembered preset.
    ChooseFormat(kMp3Index);
    Open();
    EXPECT_EQ(Selected(Encoders()), "MP3");
    PressOk();
    EXPECT_EQ(OutputSettings.savedProfileId, 90106);
    EXPECT_EQ(OutputSettings.savedAudioEncoderText, "MP3");

    ChooseFormat(kWavIndex);
    Open();
    EXPECT_EQ(Selected(Encoders()), "PCM_S16LE");
}

// An encoder in force that the preset does not list (a hand-made record)
// falls back to the confirmed encoder of the preset, then to its default;
// values the lists do not hold show the rule's preselection.
TEST_F(SettingsDialogTest, ValuesInForceTheListsDoNotHoldShowTheRulesChoice) {
    ChooseFormat(kWavIndex);
    OutputSettings.audioEncoder = "MP3";
    OutputSettings.audioBitRate = 1411200;
    OutputSettings.sampleRate = 8000;
    OutputSettings.channels = 6;
    Open();
    EXPECT_EQ(Selected(Encoders()), "PCM_S16LE");
    EXPECT_EQ(RateSelections(), (Items{"192 kbps", "44100 Hz", "2 Channel Stereo"}));
    Button(ids::kSettingCancel).click();

    OutputSettings.savedProfileId = 90109;
    OutputSettings.savedAudioEncoderText = "PCM_MULAW";
    Open();
    EXPECT_EQ(Selected(Encoders()), "PCM_MULAW");
}

TEST_F(SettingsDialogTest, AnotherEncoderResetsTheRatesToItsDefaults) {
    ChooseFormat(kWmaIndex);
    Open();
    Pick(BitRates(), "320 kbps");
    Pick(SampleRates(), "48000 Hz");
    Pick(Channels(), "1 Channel Mono");
    Pick(Encoders(), "WMA7");
    EXPECT_EQ(RateSelections(), (Items{"192 kbps", "44100 Hz", "2 Channel Stereo"}));
}

enum class CloseBy { CancelButton, EscapeKey, CloseBox };

// Cancel, Escape and the close box leave every field as it was.
TEST_F(SettingsDialogTest, ClosingWithoutOkChangesNothing) {
    for (const CloseBy way : {CloseBy::CancelButton, CloseBy::EscapeKey, CloseBy::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(way));
        ChooseFormat(kWavIndex);
        const auto before = Fields(OutputSettings);
        Open();
        Pick(Encoders(), "PCM_MULAW");
        Pick(BitRates(), "64 kbps");
        Pick(SampleRates(), "32000 Hz");
        Pick(Channels(), "1 Channel Mono");
        switch (way) {
        case CloseBy::CancelButton:
            Button(ids::kSettingCancel).click();
            break;
        case CloseBy::EscapeKey:
            QTest::keyClick(&Channels(), Qt::Key_Escape);
            break;
        case CloseBy::CloseBox:
            dialog->close();
            break;
        }
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(Fields(OutputSettings), before);
    }
}

// Enter goes to the focused control and never confirms, not even on OK.
TEST_F(SettingsDialogTest, EnterNeverClosesTheDialog) {
    ChooseFormat(kMp3Index);
    const auto before = Fields(OutputSettings);
    Open();
    Pick(BitRates(), "320 kbps");
    for (QWidget* target : std::vector<QWidget*>{&Encoders(), &BitRates(), &SampleRates(),
                                                 &Channels(), &Button(ids::kSettingOk),
                                                 &Button(ids::kSettingCancel), dialog.get()}) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            target->setFocus();
            QTest::keyClick(target, key);
            EXPECT_TRUE(dialog->isVisible()) << target->objectName().toStdString();
        }
    }
    EXPECT_EQ(Fields(OutputSettings), before);
    EXPECT_EQ(Selected(BitRates()), "320 kbps");
}

struct RefusalCase {
    const char* name;
    int formatIndex;
    const char* sampleRate;
    const char* bitRate;
    const char* acceptedSampleRate; // a second choice the encoder takes
    const char* channel = "2 Channel Stereo";
};

const std::vector<RefusalCase> kRefusals = {
    {"Ac3Half", kAc3Index, "22050 Hz", "192 kbps", "48000 Hz"},
    {"RaHalf", kRaIndex, "22050 Hz", "192 kbps", "32000 Hz"},
    {"Mp2HalfAboveItsTopRate", kMp2Index, "22050 Hz", "192 kbps", "44100 Hz"},
    // LAME opens here but would write 160 kbps.
    {"Mp3HalfQuietlyLowered", kMp3Index, "22050 Hz", "320 kbps", "44100 Hz"},
    // "Same as source" is refused as a listed value would be: with a rate the
    // encoder cannot write, and where it turns out as one the encoder refuses.
    {"Ac3HalfSameChannels", kAc3Index, "22050 Hz", "192 kbps", "Same as source", "Same as source"},
};

class RefusalTest : public SettingsDialogTest, public ::testing::WithParamInterface<RefusalCase> {};

// A combination the encoder cannot open is named and nothing is stored; the
// dialog stays open for another choice.
TEST_P(RefusalTest, OkNamesAnUnopenableCombinationAndKeepsTheDialogOpen) {
    const RefusalCase& refused = GetParam();
    ChooseFormat(refused.formatIndex);
    const auto before = Fields(OutputSettings);
    Open();
    Pick(SampleRates(), refused.sampleRate);
    Pick(BitRates(), refused.bitRate);
    Pick(Channels(), refused.channel);
    PressOk();

    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Fields(OutputSettings), before);
    const std::string encoder = Selected(Encoders());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first,
              EncoderRefusalMessage(encoder, refused.sampleRate, refused.channel, refused.bitRate));
    EXPECT_NE(dialogs.messages[0].first.find(refused.sampleRate), std::string::npos);
    EXPECT_EQ(dialogs.messages[0].second, MessageIcon::Exclamation);

    Pick(SampleRates(), refused.acceptedSampleRate);
    PressOk();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(OutputSettings.sampleRate, parseRateText(refused.acceptedSampleRate));
    EXPECT_EQ(OutputSettings.audioBitRate, parseRateText(refused.bitRate));
}

INSTANTIATE_TEST_SUITE_P(Combinations, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

struct DefaultCase {
    const char* name;
    int formatIndex;
    std::string encoderBefore; // chosen before Default
    std::string encoder;       // and the four lists after it
    Items rates;
};

const std::vector<DefaultCase> kDefaults = {
    {"Mp3", kMp3Index, "MP3", "MP3", {"128 kbps", "44100 Hz", "2 Channel Stereo"}},
    {"Aac", kAacIndex, "AAC", "AAC", {"192 kbps", "48000 Hz", "2 Channel Stereo"}},
    {"Wav", kWavIndex, "PCM_ALAW", "PCM_S16LE", {"128 kbps", "44100 Hz", "2 Channel Stereo"}},
    {"Au", kAuIndex, "PCM_MULAW", "PCM_S16BE", {"192 kbps", "48000 Hz", "2 Channel Stereo"}},
    {"Wma", kWmaIndex, "WMA7", "WMA8", {"128 kbps", "44100 Hz", "2 Channel Stereo"}},
    {"Alac", kAlacIndex, "ALAC", "ALAC", {"128 kbps", "Same as source", "Same as source"}},
};

class DefaultButtonTest : public SettingsDialogTest,
                          public ::testing::WithParamInterface<DefaultCase> {};

// Default puts the format's catalogue values back into the lists; only OK
// stores them.
TEST_P(DefaultButtonTest, RestoresTheFormatsCatalogueValuesInTheLists) {
    const DefaultCase& expected = GetParam();
    ChooseFormat(expected.formatIndex);
    OutputSettings.audioBitRate = 320000; // as a confirmed choice would leave it
    const auto before = Fields(OutputSettings);
    Open();
    Pick(Encoders(), expected.encoderBefore);
    Pick(BitRates(), "320 kbps");
    Pick(SampleRates(), "22050 Hz");
    Pick(Channels(), "1 Channel Mono");

    Button(ids::kSettingDefault).click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Selected(Encoders()), expected.encoder);
    EXPECT_EQ(RateSelections(), expected.rates);
    EXPECT_EQ(Fields(OutputSettings), before);

    PressOk();
    const OutputFormat& format = kOutputFormats[expected.formatIndex];
    EXPECT_EQ(OutputSettings.audioEncoder, format.encoder);
    EXPECT_EQ(OutputSettings.audioBitRate, format.bitRate);
    EXPECT_EQ(OutputSettings.sampleRate, format.sampleRate);
    EXPECT_EQ(OutputSettings.channels, format.channels);
}

INSTANTIATE_TEST_SUITE_P(Formats, DefaultButtonTest, ::testing::ValuesIn(kDefaults),
                         [](const auto& info) { return std::string(info.param.name); });

// The main window's Setting button opens the dialog for the chosen format.
TEST_F(SettingsDialogTest, SettingButtonOfTheMainWindowOpensItModally) {
    const std::string scratch = veltrano::test::MakeScratchDir("ui_settings_window");
    AppLocations locations{scratch + "/bin/Path_Registration.ini", scratch + "/OutPut"};
    FakeDesktopShell shell;
    FakePowerControl power;
    MainServices services{dialogs, shell, power};
    CQuarvelDlg window(services, locations);
    dialogs.fileChoices.push_back({veltrano::test::FixturePath("stereo44.wav")});
    FindControlAs<QPushButton>(window, ids::kAdd)->click();
    auto& formats = *FindControlAs<QComboBox>(window, ids::kFormatCombo);
    formats.setCurrentIndex(kMp3Index);
    emit formats.activated(kMp3Index);
    ASSERT_EQ(OutputSettings.audioBitRate, 128000);

    std::string banner;
    QTimer::singleShot(0, [&] {
        auto* settings = qobject_cast<CSettings*>(QApplication::activeModalWidget());
        if (settings == nullptr) {
            if (QWidget* other = QApplication::activeModalWidget()) {
                other->close();
            }
            return;
        }
        banner = FindControlAs<QPushButton>(*settings, ids::kSettingBanner)->text().toStdString();
        FindControlAs<QPushButton>(*settings, ids::kSettingOk)->click();
    });
    FindControlAs<QPushButton>(window, ids::kSetting)->click();

    EXPECT_EQ(banner, "MP3 - MPEG Layer-3 Audio(*.MP3)");
    // Untouched, the dialog's OK keeps what the format put in force.
    EXPECT_EQ(OutputSettings.audioBitRate, 128000);
    EXPECT_EQ(OutputSettings.savedProfileId, 90106);
}

} // namespace
