// The three dialog templates. Rectangles are in dialog units (x, y, width,
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
                    "https://veltrano.example.com/support",
                    {61, 75, 173, 8},
                    StyleNone,
                    kVisible,
                    kEnabled},
    ControlTemplate{
        ids::kStatic, StaticText, "Homepage:", {20, 95, 43, 8}, StyleNone, kVisible, kEnabled},
    ControlTemplate{ids::kHomepageLink,
                    StaticText,
                    "https://veltrano.example.com/",
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

// The main window has no title in its template; start-up sets the window text.
constexpr std::array kTemplates = {
    DialogTemplate{ids::kMainDialog, "", 503, 307, "MS Shell Dlg", 9, kMainControls},
    DialogTemplate{ids::kProgressDialog, "Veltrano Audio Converter", 324, 89,
                   "Microsoft Sans Serif", 8, kProgressControls},
    DialogTemplate{ids::kAboutDialog, "About", 288, 161, "MS Shell Dlg", 8, kAboutControls},
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
