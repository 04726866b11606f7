// The option table is the single source of the options: whatever a row names
// the scan reads, and --help describes.
#include "cli/cli_options.h"
#include "cli/help_text.h"
#include "cli/option_table.h"
#include "engine/joined_list.h"

#include <gtest/gtest.h>

namespace {

// Every name of every option the program takes, written out here so that a
// row lost from the table, or a name changed in it, shows.
const std::vector<std::string> kNamedOptions = {
    "-f",           "--format",     "--encoder",   "--bitrate",
    "--rate",       "--channels",   "--start",     "--end",
    "-o",           "--output",     "-j",          "--jobs",
    "--probe",      "-v",           "--verbose",   "-h",
    "--help",       "--version",    "--name",      "--portable-names",
    "--replaygain", "--album-mode", "--normalize", "--normalize-by",
};

TEST(OptionTable, FindsEveryOptionByEachOfItsNamesAndNothingElse) {
    for (const std::string& name : kNamedOptions) {
        const OptionRow* row = FindOptionRow(name);
        ASSERT_TRUE(row) << name;
        EXPECT_TRUE(row->IsNamed(name)) << name;
    }
    for (const char* name : {"", "-", "--", "-x", "--form", "format", "--Format", "-F", "--o"}) {
        EXPECT_FALSE(FindOptionRow(name)) << name;
    }
}

TEST(OptionTable, TheScanTreatsEachRowAsItsValueKindSays) {
    for (const std::string& name : kNamedOptions) {
        const OptionRow* found = FindOptionRow(name);
        ASSERT_TRUE(found) << name;
        const OptionRow& row = *found;
        if (row.TakesValue()) {
            EXPECT_EQ(ParseCommandLine({"a.wav", name}).error,
                      "option '" + name + "' needs a value");
        } else if (name.rfind("--", 0) == 0) {
            EXPECT_EQ(ParseCommandLine({name + "=1", "a.wav"}).error,
                      "option '" + name + "' takes no value");
        }
    }
}

TEST(OptionTable, HelpDescribesEveryRowOnALineOfItsOwn) {
    const std::string help = HelpText();
    for (const std::string& name : kNamedOptions) {
        const OptionRow* found = FindOptionRow(name);
        ASSERT_TRUE(found) << name;
        const OptionRow& row = *found;
        std::string names = "\n  " + std::string(row.longName);
        if (!row.shortName.empty()) {
            names = "\n  " + std::string(row.shortName) + ", " + std::string(row.longName);
        }
        const size_t at = help.find(names);
        ASSERT_NE(at, std::string::npos) << name;
        const std::string firstLine(row.help.substr(0, row.help.find('\n')));
        EXPECT_NE(help.find(firstLine, at), std::string::npos) << name;
    }
}

TEST(JoinedList, PutsACommaAndASpaceBetweenItems) {
    struct Case {
        std::vector<std::string> items;
        const char* joined;
    };
    const Case cases[] = {
        {{}, ""},
        {{"aac"}, "aac"},
        {{"aac", "mp3"}, "aac, mp3"},
        {{"8000", "11025", "22050"}, "8000, 11025, 22050"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JoinedList(c.items), c.joined);
    }
    EXPECT_EQ(JoinedList(std::vector<std::string_view>{"MP3", "MP2"}), "MP3, MP2");
}

} // namespace
