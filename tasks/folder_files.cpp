#include "tasks/folder_files.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
    bool known = false;
};

FolderId IdOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return {};
    }
    return {info.st_dev, info.st_ino, true};
}

bool IsSameFolder(const struct stat& info, const FolderId& id) {
    return id.known && info.st_dev == id.device && info.st_ino == id.inode;
}

std::vector<std::string> SortedVisibleNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Pipes and devices are no music files; reading them could block or never end.
bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void CollectFiles(const std::string& folder, const std::string& prefix, const FolderId& skip,
                  std::vector<std::string>& files) {
    for (const std::string& name : SortedVisibleNames(folder)) {
        const std::string path = JoinPath(folder, name);
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (!IsSameFolder(info, skip)) {
                CollectFiles(path, prefix + name + "/", skip, files);
            }
        } else if (S_ISREG(info.st_mode) || (S_ISLNK(info.st_mode) && IsRegularFile(path))) {
            files.push_back(prefix + name);
        }
    }
}

} // namespace

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> FilesInFolder(const std::string& folder, const std::string& skipFolder) {
    std::vector<std::string> files;
    if (IsFolder(folder)) {
        CollectFiles(folder, "", IdOf(skipFolder), files);
    }
    return files;
}

std::string JoinPath(const std::string& folder, const std::string& relativePath) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + relativePath;
    }
    return folder + "/" + relativePath;
}
