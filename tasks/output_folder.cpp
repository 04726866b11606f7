#include "tasks/output_folder.h"

#include "tasks/ini_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr const char* kSettingsSection = "Info";
constexpr const char* kFolderKey = "Path";
constexpr const char* kSettingsFileName = "Path_Registration.ini";
constexpr const char* kDefaultFolderName = "OutPut";

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

std::string EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The shell's "~/" is what people type for their home folder; a folder named
// "~" in the working folder is never what they mean.
std::string ExpandHomeFolder(const std::string& text) {
    if (text != "~" && !text.starts_with("~/")) {
        return text;
    }
    const std::string home = EnvironmentText("HOME");
    return home.empty() ? text : home + text.substr(1);
}

std::string ParentFolder(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

bool IsWritableFolder(const std::string& path) {
    return IsDirectory(path) && ::access(path.c_str(), W_OK) == 0;
}

// The "bin" folder of a writable program folder, made when missing: a
// portable copy keeps its settings with it from its first start on. Empty
// when there is no usable one (a file of that name, a read-only "bin").
std::string SettingsFolderBeside(const std::string& appDir) {
    const std::string bin = appDir + "/bin";
    return MakeFolder(bin) && IsWritableFolder(bin) ? bin : "";
}

} // namespace

AppLocations ResolveAppLocations(const std::string& appDir, const std::string& configHome,
                                 const std::string& musicDir) {
    AppLocations locations;
    locations.appDir = appDir;
    const bool programFolderWritable = IsWritableFolder(appDir);
    const std::string binFolder = programFolderWritable ? SettingsFolderBeside(appDir) : "";
    if (!binFolder.empty()) {
        locations.settingsPath = binFolder + "/" + kSettingsFileName;
    } else {
        const std::string config = configHome.empty() ? DefaultConfigHome() : configHome;
        locations.settingsPath = config + "/veltrano/" + kSettingsFileName;
        locations.makeSettingsFolder = true;
    }
    if (programFolderWritable) {
        locations.defaultFolder = appDir + "/" + kDefaultFolderName;
    } else {
        const std::string music = musicDir.empty() ? EnvironmentText("HOME") : musicDir;
        locations.defaultFolder = music + "/" + kDefaultFolderName;
    }
    return locations;
}

std::string DefaultConfigHome() {
    const std::string xdg = EnvironmentText("XDG_CONFIG_HOME");
    return xdg.empty() ? EnvironmentText("HOME") + "/.config" : xdg;
}

bool MakeFolder(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return IsDirectory(path);
}

void LoadOutputFolder(OutputChoiceView& view, MainWindowState& state,
                      const AppLocations& locations) {
    state.m_iniPath = locations.settingsPath;
    state.m_makeIniFolder = locations.makeSettingsFolder;
    std::string folder = ReadIniValue(state.m_iniPath, kSettingsSection, kFolderKey);
    // Control characters come from a damaged file, never from a saved folder.
    if (std::any_of(folder.begin(), folder.end(), [](unsigned char c) { return c < 0x20; })) {
        folder.clear();
    }
    if (folder.empty()) {
        folder = locations.defaultFolder;
        // A folder that cannot be made is reported by the next Convert.
        MakeFolder(folder);
    }
    state.m_outputFolder = folder;
    view.AddOutputFolderEntry(folder);
    view.ShowOutputFolder(folder);
}

void BrowseOutputFolder(OutputChoiceView& view, MainWindowState& state, UserDialogs& dialogs) {
    // The chooser opens where the outputs go now, rather than wherever a file
    // dialog was last.
    const std::string shown = ExpandHomeFolder(view.OutputFolderText());
    const std::string start = IsDirectory(shown) ? shown : std::string();
    for (;;) {
        const std::optional<std::string> chosen = dialogs.ChooseFolder(kChooseFolderTitle, start);
        if (!chosen) {
            return;
        }
        if (IsDirectory(*chosen)) {
            state.m_outputFolder = *chosen;
            view.AddOutputFolderEntry(*chosen);
            view.ShowOutputFolder(*chosen);
            // A folder picked on purpose is the one the next start shows.
            SaveOutputFolder(state, *chosen);
            return;
        }
        dialogs.ShowMessage(kInvalidChosenFolderMessage, MessageIcon::None);
    }
}

void OpenOutputFolder(OutputChoiceView& view, MainWindowState& state, UserDialogs& dialogs,
                      DesktopShell& shell) {
    state.m_outputFolder = ExpandHomeFolder(view.OutputFolderText());
    if (!MakeFolder(state.m_outputFolder)) {
        dialogs.ShowMessage(kMissingFolderMessage, MessageIcon::None);
        return;
    }
    shell.OpenFolder(state.m_outputFolder);
    const std::vector<std::string> entries = view.OutputFolderEntries();
    if (std::find(entries.begin(), entries.end(), state.m_outputFolder) == entries.end()) {
        view.AddOutputFolderEntry(state.m_outputFolder);
    }
    view.ShowOutputFolder(state.m_outputFolder);
}

bool PrepareOutputFolder(MainWindowState& state, UserDialogs& dialogs) {
    if (state.m_outputFolder == "\\") {
        return false;
    }
    state.m_outputFolder = ExpandHomeFolder(state.m_outputFolder);
    // An empty text would send every output file into the working folder.
    if (!MakeFolder(state.m_outputFolder)) {
        dialogs.ShowMessage(kMissingFolderMessage, MessageIcon::None);
        return false;
    }
    return true;
}

void SaveOutputFolder(const MainWindowState& state, const std::string& folder) {
    if (state.m_iniPath.empty()) {
        return;
    }
    if (state.m_makeIniFolder) {
        MakeFolder(ParentFolder(state.m_iniPath));
    }
    WriteIniValue(state.m_iniPath, kSettingsSection, kFolderKey, folder);
}
