// The dialog templates. Rectangles are in dialog units (x, y, width,
// height); the builder converts them with the template font's base units.
#include "resources/dialog_templates.h"

#include "resources/control_ids.h"

#include <array>

namespace {

constexpr bool kVisible = true;
constexpr bool kHidden = false;
constexpr bool kEnabled = true;
constexpr bool kDisabled = false;

using enum ControlKind;

constexpr std::array kMainControls = {
    ControlTemplate{
        ids::kAdd, SkinnedButton, "&Add", {7, 13, 78, 34}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kClip, SkinnedButton, "&Clip", {82, 13, 76, 34}, StyleNone, kHidden, kDisabled},
    ControlTemplate{
        ids::kHelp, SkinnedButton, "&Help", {105, 13, 76, 34}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kRemove, PushButton, "&??", {234, 63, 50, 14}, StyleNone, kHidden, kEnabled},
    ControlTemplate{
        ids::kTaskList, ListView, "", {7, 56, 302, 156}, StyleBorder, kVisible, kEnabled},
    ControlTemplate{
        ids::kCut, SkinnedButton, "Cut", {47, 217, 40, 32}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kEmpty, SkinnedButton, "Empty", {135, 217, 41, 32}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kMerge, SkinnedButton, "Merge", {166, 217, 40, 32}, StyleNone, kHidden, kDisabled},
    ControlTemplate{ids::kFileInformation,
                    SkinnedButton,
                    "File Infomation",
                    {226, 217, 39, 30},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Profile:", {16, 260, 25, 8}, StyleNone, kHidden, kEnabled},
    ControlTemplate{
        ids::kFormatCombo, DropDownCombo, "", {47, 257, 196, 30}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Output:", {16, 284, 25, 8}, StyleNone, kHidden, kEnabled},
    ControlTemplate{ids::kOutputCombo,
                    DropDownCombo,
                    "",
                    {46, 277, 197, 73},
                    StyleSorted | StyleVerticalScroll,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kBrowse, SkinnedButton, "Browse", {254, 274, 63, 19}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kSetting, SkinnedButton, "Setting", {254, 249, 66, 23}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kFindTarget,
                    SkinnedButton,
                    "Find Target",
                    {321, 273, 61, 19},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kConvert,
                    SkinnedButton,
                    "&Convert",
                    {382, 245, 107, 46},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kAbout, SkinnedButton, "00", {469, 0, 12, 16}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kMinimise,
                    SkinnedButton,
                    "Button_MIX",
                    {481, 0, 12, 13},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kClose, SkinnedButton, "Close", {492, 0, 10, 14}, StyleNone, kVisible, kEnabled},
};

constexpr std::array kProgressControls = {
    ControlTemplate{ids::kStatic,
                    StaticText,
                    "Current File Converting:",
                    {19, 5, 74, 8},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kCurrentFileLabel,
                    StaticText,
                    "Converting...",
                    {101, 5, 196, 8},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kCurrentFileBar, ProgressBar, "", {20, 17, 282, 14}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kStatic,
                    StaticText,
                    "Total Progress:",
                    {20, 36, 47, 8},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kBatchLabel,
                    StaticText,
                    "Converting...",
                    {79, 36, 196, 8},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kBatchBar, ProgressBar, "", {21, 47, 281, 14}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kShutDownBox,
                    CheckBox,
                    "Shut down computer when conversion completed",
                    {21, 66, 170, 13},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStop, PushButton, "Stop", {253, 65, 50, 19}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kVideoFrame, GroupFrame, "", {0, 0, 8, 9}, StyleNone, kHidden, kEnabled},
};

constexpr std::array kAboutControls = {
    ControlTemplate{ids::kStatic, Picture, "", {7, 7, 274, 53}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Support:", {20, 75, 43, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kSupportLink,
                    StaticText,
                    "https://github.com/veltrano",
                    {61, 75, 173, 8},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Homepage:", {20, 95, 43, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kHomepageLink,
                    StaticText,
                    "https://veltrano.github.io/",
                    {61, 95, 152, 8},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kAboutOk,
                    PushButton,
                    "OK",
                    {231, 138, 50, 16},
                    StyleDefaultButton,
                    kVisible,
                    kEnabled},
};

constexpr std::array kSettingsControls = {
    ControlTemplate{
        ids::kStatic, StaticText, "Format Preset:", {7, 2, 56, 12}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kSettingBanner, PushButton, "", {7, 15, 161, 16}, StyleNone, kVisible, kDisabled},
    ControlTemplate{
        ids::kStatic, GroupFrame, "Audio", {7, 36, 161, 107}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Encoder:", {17, 52, 50, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kSettingEncoder,
                    DropDownList,
                    "",
                    {73, 49, 80, 25},
                    StyleVerticalScroll,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Bit Rate:", {17, 76, 50, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kSettingBitRate,
                    DropDownList,
                    "",
                    {73, 73, 80, 62},
                    StyleVerticalScroll,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Sample Rate:", {17, 99, 50, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kSettingSampleRate,
                    DropDownList,
                    "",
                    {73, 97, 80, 69},
                    StyleVerticalScroll,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Channel:", {17, 124, 50, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kSettingChannel,
                    DropDownList,
                    "",
                    {73, 121, 80, 69},
                    StyleVerticalScroll,
                    kVisible,
                    kEnabled},
    // Below the Audio group: how loud the outputs are.
    ControlTemplate{
        ids::kStatic, GroupFrame, "Loudness", {7, 148, 161, 84}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kSettingReplayGain,
                    CheckBox,
                    "Write ReplayGain tags",
                    {17, 161, 140, 10},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Normalise to:", {17, 179, 54, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kSettingNormalize,
                    DropDownList,
                    "",
                    {73, 176, 80, 69},
                    StyleVerticalScroll,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kSettingNormalizeAlbums,
                    CheckBox,
                    "Normalise albums as a whole",
                    {17, 193, 140, 10},
                    StyleNone,
                    kVisible,
                    kDisabled},
    ControlTemplate{ids::kStatic,
                    StaticText,
                    "AAC, AC3, AIFF, AU, MP2, RA and WAV hold no tags and get none.",
                    {17, 210, 145, 18},
                    StyleNone,
                    kVisible,
                    kEnabled},
    // Below it: what the outputs are named and which sources are converted.
    ControlTemplate{
        ids::kStatic, GroupFrame, "Output", {7, 236, 161, 70}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kStatic,
                    StaticText,
                    "Output names:",
                    {17, 249, 140, 8},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kSettingNamePattern, Edit, "", {17, 259, 136, 14}, StyleBorder, kVisible, kEnabled},
    ControlTemplate{
        ids::kSettingNamePreview, StaticText, "", {17, 276, 136, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kSettingOnlyNew,
                    CheckBox,
                    "Only new and changed files",
                    {17, 289, 140, 10},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kSettingDefault,
                    PushButton,
                    "Default",
                    {7, 314, 44, 19},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kSettingOk,
                    PushButton,
                    "OK",
                    {74, 314, 45, 19},
                    StyleDefaultButton,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kSettingCancel,
                    PushButton,
                    "Cancel",
                    {122, 314, 46, 19},
                    StyleNone,
                    kVisible,
                    kEnabled},
};

// Each value field has its label on the left; the labels carry no id.
constexpr std::array kFileInfoControls = {
    ControlTemplate{
        ids::kStatic, StaticText, "File Name:", {14, 15, 44, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kInfoFileName, ReadOnlyEdit, "", {59, 12, 154, 14}, StyleBorder, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Media Length:", {13, 36, 45, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kInfoMediaLength,
                    ReadOnlyEdit,
                    "",
                    {59, 35, 154, 14},
                    StyleBorder,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, GroupFrame, "Video", {9, 54, 209, 70}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Resolution:", {13, 66, 45, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kInfoResolution, ReadOnlyEdit, "", {59, 63, 154, 14}, StyleBorder, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Frame Rate:", {13, 84, 45, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kInfoFrameRate, ReadOnlyEdit, "", {59, 83, 154, 14}, StyleBorder, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Bit Rate:", {13, 106, 45, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kInfoVideoBitRate,
                    ReadOnlyEdit,
                    "",
                    {59, 105, 154, 14},
                    StyleBorder,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, GroupFrame, "Audio", {9, 129, 209, 69}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Bit Rate:", {13, 139, 45, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kInfoAudioBitRate,
                    ReadOnlyEdit,
                    "",
                    {59, 138, 154, 14},
                    StyleBorder,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Samples:", {13, 158, 45, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kInfoSamples, ReadOnlyEdit, "", {59, 157, 154, 14}, StyleBorder, kVisible, kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Channel:", {13, 180, 45, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kInfoChannel, ReadOnlyEdit, "", {59, 177, 154, 14}, StyleBorder, kVisible, kEnabled},
    ControlTemplate{
        ids::kInfoOk, PushButton, "OK", {170, 200, 50, 17}, StyleNone, kVisible, kEnabled},
};

// The Clip dialog: preview area, position slider, Play and Stop, the three
// times and their buttons.
constexpr std::array kClipControls = {
    ControlTemplate{
        ids::kClipPreview, Picture, "", {3, 9, 278, 149}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kClipPosition, Slider, "", {3, 162, 254, 12}, StyleNone, kVisible, kDisabled},
    ControlTemplate{
        ids::kClipPlay, SkinnedButton, "&Play", {3, 174, 38, 23}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kClipStop, SkinnedButton, "&Stop", {39, 173, 39, 23}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kClipVolume, PushButton, "&Volume", {180, 178, 28, 15}, StyleNone, kHidden, kEnabled},
    ControlTemplate{
        ids::kClipVolumeSlider, Slider, "", {209, 177, 42, 15}, StyleNone, kHidden, kEnabled},
    ControlTemplate{
        ids::kStatic, GroupFrame, "Start time", {7, 204, 75, 24}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kClipStartText,
                    StaticText,
                    "00:00:00",
                    {14, 214, 48, 11},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, GroupFrame, "End time", {103, 205, 70, 26}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kClipEndText,
                    StaticText,
                    "00:00:00",
                    {111, 215, 48, 10},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, GroupFrame, "Cut time", {189, 204, 73, 25}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kClipLengthText,
                    StaticText,
                    "00:00:00",
                    {197, 217, 48, 11},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kStatic, GroupFrame, "", {3, 198, 278, 51}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kClipSetBegin,
                    PushButton,
                    "&Set Begin Time",
                    {11, 231, 59, 15},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{ids::kClipSetEnd,
                    PushButton,
                    "&Set End Time",
                    {107, 232, 59, 15},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kClipReset, PushButton, "&Reset", {196, 232, 50, 15}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kClipOk, PushButton, "&OK", {160, 253, 50, 17}, StyleNone, kVisible, kEnabled},
    ControlTemplate{
        ids::kClipCancel, PushButton, "&Cancel", {231, 253, 50, 17}, StyleNone, kVisible, kEnabled},
};

// The main window has no title in its template; start-up sets the window text.
constexpr std::array kTemplates = {
    DialogTemplate{ids::kMainDialog, "", 503, 307, "MS Shell Dlg", 9, kMainControls},
    DialogTemplate{ids::kProgressDialog, "Veltrano Audio Converter", 324, 89,
                   "Microsoft Sans Serif", 8, kProgressControls},
    DialogTemplate{ids::kAboutDialog, "About", 288, 161, "MS Shell Dlg", 8, kAboutControls},
    DialogTemplate{ids::kSettingsDialog, "Setting", 177, 336, "MS Shell Dlg", 8, kSettingsControls},
    DialogTemplate{ids::kFileInfoDialog, "File Information", 225, 219, "MS Shell Dlg", 8,
                   kFileInfoControls},
    DialogTemplate{ids::kClipDialog, "Clip", 286, 273, "MS Shell Dlg", 8, kClipControls},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& dialogTemplate : kTemplates) {
        if (dialogTemplate.id == id) {
            return &dialogTemplate;
        }
    }
    return nullptr;
}
