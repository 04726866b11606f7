// veltrano-convert --log-json: every line a JSON object a JSON parser reads,
// one per source and a summary, with any file name recoverable.
#include "cli/json_log.h"
#include "cli_process.h"
#include "tests/support/media_check.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

// Python's own JSON parser reads every line of `log` (strictly: no control
// characters inside strings) and prints per line the fields named, with the
// input and output names turned back into their bytes, in hex, and whether
// the output plays as long as its source.
std::string ParsedByPython(const std::string& log, const std::string& dir) {
    WriteBytes(dir + "/log.json", log);
    WriteBytes(dir + "/read.py", R"(import json, sys
def raw(name):
    return "-" if name is None else name.encode("utf-8", "surrogateescape").hex()
for line in open(sys.argv[1], encoding="utf-8"):
    o = json.loads(line, strict=True)
    if o["type"] == "summary":
        print("summary", o["files"], o["completed"], o["failed"], o["skipped"], o["stopped"],
              o["exit_code"], o["seconds"] >= 0)
        continue
    print(o["status"], raw(o["input"]), raw(o["output"]), o["reason"],
          o["source_seconds"] is not None and o["source_seconds"] > 0,
          o["output_seconds"] is not None and abs(o["output_seconds"] - o["source_seconds"]) < 0.1,
          o["seconds"] >= 0)
)");
    int exitCode = -1;
    const std::string parsed = RunCommand("python3 " + ShellQuote(dir + "/read.py") + " " +
                                              ShellQuote(dir + "/log.json") + " 2>&1",
                                          &exitCode);
    EXPECT_EQ(exitCode, 0) << parsed;
    return parsed;
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    char digits[3];
    for (unsigned char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", c);
        hex += digits;
    }
    return hex;
}

TEST(JsonLog, StringsAreEscapedAndBytesThatAreNoUtf8KeptAsSurrogates) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"quote\" back\\slash", "\"quote\\\" back\\\\slash\""},
        {"new\nline\ttab\r\b\f", "\"new\\nline\\ttab\\r\\b\\f\""},
        {std::string("nul\0bell\x07 esc\x1b", 14), "\"nul\\u0000bell\\u0007 esc\\u001b\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5",
         "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5\""},
        {"latin1 \xe9t\xe9", "\"latin1 \\udce9t\\udce9\""},
        {"cut \xe2\x82", "\"cut \\udce2\\udc82\""},
        {"surrogate \xed\xa0\x80", "\"surrogate \\udced\\udca0\\udc80\""},
        {"overlong \xc0\xaf", "\"overlong \\udcc0\\udcaf\""},
    };
    for (const auto& [text, json] : cases) {
        EXPECT_EQ(JsonString(text), json);
    }
}

TEST(CliJsonLog, EachSourceAndTheSummaryParseAsJsonOnStandardOutput) {
    const std::string dir = MakeScratchDir("cli_json_log");
    const std::string in = dir + "/in";
    const std::string odd = in + "/odd\xff\nname\t.wav"; // not UTF-8, with controls
    fs::create_directories(in);
    fs::copy_file(FixturePath("mono8.wav"), odd);
    fs::copy_file(FixturePath("mono8.wav"), in + "/a.wav");
    const std::string missing = in + "/gone.wav";
    WriteBytes(dir + "/list", odd + '\0' + missing + '\0' + in + "/a.wav" + '\0');
    const std::string out = dir + "/out";
    const std::vector<std::string> args = {
        "-f", "wav", "-o", out, "--update", "--log-json", "-", "-0", "--files-from", dir + "/list"};
    fs::create_directories(out);
    const CliRun first = RunCli(args, dir);
    EXPECT_EQ(first.exitCode, 1) << first.err;
    // Standard output is the log alone; the summary lines went to standard error.
    EXPECT_NE(first.err.find("Completed " + out + "/a.wav\n"), std::string::npos) << first.err;
    EXPECT_EQ(ParsedByPython(first.out, dir), "completed " + Hex(odd) + " " +
                                                  Hex(out + "/odd\xff\nname\t.wav") +
                                                  " None True True True\n"
                                                  "failed " +
                                                  Hex(missing) + " - File:" + missing +
                                                  " is invalid! False False True\n"
                                                  "completed " +
                                                  Hex(in + "/a.wav") + " " + Hex(out + "/a.wav") +
                                                  " None True True True\n"
                                                  "summary 3 2 1 0 0 1 True\n");

    const CliRun again = RunCli(args, dir);
    EXPECT_EQ(ParsedByPython(again.out, dir), "skipped " + Hex(odd) + " " +
                                                  Hex(out + "/odd\xff\nname\t.wav") +
                                                  " up to date False False True\n"
                                                  "failed " +
                                                  Hex(missing) + " - File:" + missing +
                                                  " is invalid! False False True\n"
                                                  "skipped " +
                                                  Hex(in + "/a.wav") + " " + Hex(out + "/a.wav") +
                                                  " up to date False False True\n"
                                                  "summary 3 0 1 2 0 1 True\n");
}

TEST(CliJsonLog, ALogThatCannotBeWrittenIsAUsageError) {
    const std::string dir = MakeScratchDir("cli_json_log_unwritable");
    fs::copy_file(FixturePath("mono8.wav"), dir + "/a.wav");
    const CliRun run =
        RunCli({"-o", dir + "/out", "--log-json", dir + "/no/such/log", dir + "/a.wav"}, dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cannot write the JSON log '" + dir + "/no/such/log'"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir + "/out"));
}

} // namespace
