// Times the window's own batch code (the real main window, offscreen, with
// stand-ins for the dialogs and the desktop) converting every file given to
// the default format, with a given number of rows at once:
//   veltrano_window_batch_bench --jobs N -o OUTPUT_FOLDER FILE...
// Prints "seconds <wall seconds>" from the Convert click to the end of the
// batch (files added beforehand are not timed).
#include "bench/offscreen_window.h"
#include "engine/av_convert.h"
#include "resources/control_ids.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"

#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct BenchArgs {
    int jobs = 0;
    std::string folder;
    std::vector<std::string> files;
};

bool ReadArgs(int argc, char** argv, BenchArgs& args) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--jobs") == 0 && i + 1 < argc) {
            args.jobs = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            args.folder = argv[++i];
        } else {
            args.files.emplace_back(argv[i]);
        }
    }
    return args.jobs >= 1 && !args.folder.empty() && !args.files.empty();
}

} // namespace

int main(int argc, char** argv) {
    BenchArgs args;
    if (!ReadArgs(argc, argv, args)) {
        std::fprintf(stderr, "usage: %s --jobs N -o OUTPUT_FOLDER FILE...\n", argv[0]);
        return 2;
    }
    OffscreenApplication app(argc, argv);
    FakeWindowServices bench;
    FakeUserDialogs& dialogs = bench.dialogs;
    std::filesystem::create_directories(args.folder);
    const AppLocations locations = BenchLocations(args.folder);
    // The settings file is where the window reads how many rows run at once.
    std::ofstream(locations.settingsPath) << "[Info]\nJobs=" << args.jobs << "\n";
    CQuarvelDlg window(bench.services, locations);
    window.show();

    dialogs.fileChoices.push_back(args.files);
    FindControlAs<QPushButton>(window, ids::kAdd)->click();
    if (window.View().RowCount() != static_cast<int>(args.files.size())) {
        std::fprintf(stderr, "only %d of %zu files were added\n", window.View().RowCount(),
                     args.files.size());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    FindControlAs<QPushButton>(window, ids::kConvert)->click();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    int completed = 0;
    for (int row = 0; row < window.View().RowCount(); ++row) {
        completed += window.View().RowText(row, ColumnStatus) == "Completed";
    }
    std::printf("seconds %.3f\n", elapsed.count());
    if (completed != window.View().RowCount()) {
        std::fprintf(stderr, "%d of %d rows completed\n", completed, window.View().RowCount());
        return 1;
    }
    return 0;
}
