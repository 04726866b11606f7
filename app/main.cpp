// The converter's window program: veltrano [FILE...]; the files are added as
// if dropped on the window.
#include "app/quarvel_app.h"

int main(int argc, char** argv) {
    CQuarvelApp app(argc, argv);
    return app.InitInstance();
}
