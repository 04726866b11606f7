#include "resources/check_header_bitmap.h"

#include "resources/check_header_292.xpm"

const char* const* CheckHeaderBitmapXpm() {
    return check_header_292_xpm;
}
