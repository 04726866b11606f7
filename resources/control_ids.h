// Numeric identifiers of the dialogs, controls, commands, bitmaps and timers.
// The templates, the window code and the task commands all use these names.
#pragma once

namespace ids {

// Dialog templates.
inline constexpr int kMainDialog = 102;
inline constexpr int kProgressDialog = 129;
inline constexpr int kAboutDialog = 246;
inline constexpr int kFileInfoDialog = 165;
inline constexpr int kSettingsDialog = 167;
inline constexpr int kClipDialog = 318;

// Controls without an identifier of their own (headings, pictures).
inline constexpr int kStatic = -1;

// Main window (template 102).
inline constexpr int kAdd = 1000;
inline constexpr int kClip = 1001;
inline constexpr int kRemove = 1002; // hidden; reached by the Delete key
inline constexpr int kConvert = 1004;
inline constexpr int kFindTarget = 1005;
inline constexpr int kBrowse = 1076;
inline constexpr int kOutputCombo = 1077;
inline constexpr int kHelp = 1090;
inline constexpr int kCut = 1092;
inline constexpr int kEmpty = 1095;
inline constexpr int kClose = 1096;
inline constexpr int kMinimise = 1097;
inline constexpr int kAbout = 1098;
inline constexpr int kMerge = 1099;
inline constexpr int kFileInformation = 1102;
inline constexpr int kFormatCombo = 1105;
inline constexpr int kTaskList = 1114;
inline constexpr int kSetting = 1115;

// Task list context menu.
inline constexpr int kMenuAddFiles = 10001;
inline constexpr int kMenuRemove = 10002;
inline constexpr int kMenuClearAll = 10003;
inline constexpr int kMenuAddFolder = 10004;
inline constexpr int kMenuFileInformation = 10009;
inline constexpr int kMenuClip = 100010;

// Progress dialog (template 129).
inline constexpr int kStop = 1000;
inline constexpr int kCurrentFileBar = 1011;
inline constexpr int kBatchBar = 1012;
inline constexpr int kCurrentFileLabel = 1018;
inline constexpr int kBatchLabel = 1019;
inline constexpr int kVideoFrame = 1108;
inline constexpr int kShutDownBox = 1148;

// About box (template 246).
inline constexpr int kAboutOk = 1;
inline constexpr int kSupportLink = 1101;
inline constexpr int kHomepageLink = 1102;

// Settings dialog (template 167).
inline constexpr int kSettingOk = 1;
inline constexpr int kSettingCancel = 2;
inline constexpr int kSettingSampleRate = 1067;
inline constexpr int kSettingChannel = 1068;
inline constexpr int kSettingEncoder = 1069;
inline constexpr int kSettingBitRate = 1070;
inline constexpr int kSettingDefault = 1072;
inline constexpr int kSettingBanner = 1134;
inline constexpr int kSettingReplayGain = 1150;
inline constexpr int kSettingNormalize = 1151;
inline constexpr int kSettingNamePattern = 1152;
inline constexpr int kSettingNamePreview = 1153;
inline constexpr int kSettingOnlyNew = 1154;
inline constexpr int kSettingNormalizeAlbums = 1155;

// File information dialog (template 165).
inline constexpr int kInfoMediaLength = 1004;
inline constexpr int kInfoResolution = 1005;
inline constexpr int kInfoVideoBitRate = 1006;
inline constexpr int kInfoFrameRate = 1007;
inline constexpr int kInfoFileName = 1075;
inline constexpr int kInfoOk = 1106;
inline constexpr int kInfoAudioBitRate = 1122;
inline constexpr int kInfoSamples = 1123;
inline constexpr int kInfoChannel = 1124;

// Clip dialog (template 318).
inline constexpr int kClipSetBegin = 3;
inline constexpr int kClipSetEnd = 4;
inline constexpr int kClipPlay = 1000;
inline constexpr int kClipStop = 1001;
inline constexpr int kClipVolume = 1002; // hidden, no function
inline constexpr int kClipOk = 1004;
inline constexpr int kClipCancel = 1005;
inline constexpr int kClipStartText = 1023;
inline constexpr int kClipEndText = 1024;
inline constexpr int kClipLengthText = 1025;
inline constexpr int kClipReset = 1109;
inline constexpr int kClipPosition = 1142;
inline constexpr int kClipVolumeSlider = 1143; // hidden, no function
inline constexpr int kClipPreview = 1144;

// Bitmaps and icons.
inline constexpr int kAppIcon = 266;
inline constexpr int kLogoBitmap = 249;
inline constexpr int kCheckHeaderBitmap = 292;

// Clip dialog pictures.
inline constexpr int kPlayShapeBitmap = 301;
inline constexpr int kPlayBitmap = 302;
inline constexpr int kStopShapeBitmap = 303;
inline constexpr int kStopBitmap = 304;
inline constexpr int kPauseBitmap = 310;
inline constexpr int kClipBackgroundBitmap = 311;
inline constexpr int kSliderTrackBitmap = 314;
inline constexpr int kSliderRangeBitmap = 319;

// Timers.
inline constexpr int kConversionTimerId = 1;
inline constexpr int kConversionTimerMs = 300;
inline constexpr int kPositionTimerId = 100;
inline constexpr int kPositionTimerMs = 100;
inline constexpr int kFrameTimerId = 200;
inline constexpr int kFrameTimerMs = 67;

} // namespace ids
