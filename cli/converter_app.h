// The veltrano-convert program: reads the command line and runs the help, the
// probe listing or a conversion batch. Returns the process exit code.
#pragma once

int RunConverter(int argc, char** argv);
