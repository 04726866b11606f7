// The converter's window program: veltrano [FILE...]; the files are added as
// the Add command adds them.
#include "app/quarvel_app.h"

int main(int argc, char** argv) {
    CQuarvelApp app(argc, argv);
    return app.InitInstance();
}
