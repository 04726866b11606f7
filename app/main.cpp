// The converter's window program. It takes no command-line arguments.
#include "app/quarvel_app.h"

int main(int argc, char** argv) {
    CQuarvelApp app(argc, argv);
    return app.InitInstance();
}
