#include "cli_process.h"

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace veltrano::test {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& captureDir,
                       const std::string& workDir)
    : outPath_(captureDir + "/cli.stdout"), errPath_(captureDir + "/cli.stderr") {
    std::vector<std::string> argv = {VELTRANO_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int none = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || none < 0 || chdir(workDir.c_str()) != 0) {
            _exit(127);
        }
        dup2(none, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
}

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        Wait();
    }
}

std::string CliProcess::ErrorSoFar() const {
    return ReadWholeFile(errPath_);
}

CliRun CliProcess::Wait() {
    CliRun run;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    pid_ = -1;
    run.out = ReadWholeFile(outPath_);
    run.err = ReadWholeFile(errPath_);
    return run;
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& captureDir,
              const std::string& workDir) {
    return CliProcess(args, captureDir, workDir).Wait();
}

} // namespace veltrano::test
