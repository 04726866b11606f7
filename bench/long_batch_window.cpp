// Drives the window's own batch code (the real main window, offscreen, with
// stand-ins for the dialogs and the desktop) through every file given, and
// prints the resident memory as the batch passes each file:
//   veltrano_long_batch_window OUTPUT_FOLDER FILE...
// One line per file reached: "<files passed> <resident KiB>".
#include "bench/offscreen_window.h"
#include "engine/av_convert.h"
#include "resources/control_ids.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"

#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER FILE...\n", argv[0]);
        return 2;
    }
    OffscreenApplication app(argc, argv);
    FakeWindowServices bench;
    FakeUserDialogs& dialogs = bench.dialogs;
    CQuarvelDlg window(bench.services, BenchLocations(argv[1]));
    window.show();

    std::vector<std::string> files(argv + 2, argv + argc);
    dialogs.fileChoices.push_back(files);
    FindControlAs<QPushButton>(window, ids::kAdd)->click();
    std::fprintf(stderr, "%d rows added\n", window.View().RowCount());

    int reported = -1;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const int passed = g_engine ? LoadCurrentTask(*g_engine) : -1;
        if (passed > reported) {
            reported = passed;
            std::printf("%d %ld\n", passed, ResidentKib());
            std::fflush(stdout);
        }
    });
    sampler.start(5);
    FindControlAs<QPushButton>(window, ids::kConvert)->click();
    sampler.stop();
    std::printf("%d %ld\n", g_engine ? LoadCurrentTask(*g_engine) : -1, ResidentKib());
    return 0;
}
