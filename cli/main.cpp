// veltrano-convert: converts audio and video files with the Veltrano engine.
#include "cli/converter_app.h"

int main(int argc, char** argv) {
    return RunConverter(argc, argv);
}
