// Runs the built veltrano-convert program as a child process, with its
// standard output and error captured in files of a scratch folder.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace veltrano::test {

struct CliRun {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

class CliProcess {
public:
    // Starts the program with `args` in `workDir`; its output goes to files in
    // `captureDir`.
    CliProcess(const std::vector<std::string>& args, const std::string& captureDir,
               const std::string& workDir = ".");
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    pid_t pid() const { return pid_; }
    std::string ErrorSoFar() const;
    CliRun Wait();

private:
    pid_t pid_ = -1;
    std::string outPath_;
    std::string errPath_;
};

// Runs the program to its end.
CliRun RunCli(const std::vector<std::string>& args, const std::string& captureDir,
              const std::string& workDir = ".");

std::string ReadWholeFile(const std::string& path);

} // namespace veltrano::test
