#include "profiles/output_catalogue.h"
#include "tasks/format_selection.h"
#include "tests/tasks/task_harness.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

TEST(SelectFormat, PutsTheDefaultsInForceAndRelabelsEveryRow) {
    TaskHarness h;
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"}) {
        h.view.AppendRow(name);
    }
    h.view.rows[1].statusText = "Completed";
    h.view.rows[1].checked = false;
    h.view.rows[3].outputFormatLabel = ""; // a dropped file
    OutputSettings.audioBitRate = 320000;  // the Settings dialog's choice

    h.view.formatText = kOutputFormats[6].text;
    SelectFormat(h.view, 6);

    EXPECT_EQ(h.view.Column(ColumnFormat),
              std::vector<std::string>(5, "MP3-MPEG Layer-3 Audio(*.mp3)"));
    EXPECT_EQ(OutputSettings.profileId, 90106);
    EXPECT_EQ(OutputSettings.audioEncoder, "MP3");
    EXPECT_EQ(OutputSettings.audioBitRate, 128000);
    EXPECT_EQ(OutputSettings.sampleRate, 44100);
    EXPECT_EQ(OutputSettings.channels, 2);

    TaskHarness empty;
    empty.view.formatText = kOutputFormats[8].text;
    SelectFormat(empty.view, 8);
    EXPECT_EQ(empty.view.RowCount(), 0);
    EXPECT_EQ(OutputSettings.audioEncoder, "AC3");
    SelectOutputFormat(OutputSettings, 0);
}

} // namespace
