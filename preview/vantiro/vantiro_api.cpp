// The C interface over the one player of the process.
#include "vantiro.h"

#include "player.h"
#include "utf16_path.h"

namespace {

// The one player the interface implies, made on first use and destroyed at
// exit after its file is closed.
Player& ThePlayer() {
    static Player player;
    return player;
}

constexpr int kOk = 0;
constexpr int kFailed = -1;

int Result(bool ok) {
    return ok ? kOk : kFailed;
}

} // namespace

extern "C" {

int Vantiro_Initialize(Vantiro_EndCallback onEnd, Vantiro_ValueCallback, const char16_t*) {
    ThePlayer().SetEndCallback(onEnd);
    return kOk;
}

int Vantiro_SetFileName(const char16_t* path) {
    if (path == nullptr) {
        return kFailed;
    }
    ThePlayer().SetFileName(Utf16ToUtf8(path));
    return kOk;
}

int Vantiro_Open(void) {
    return Result(ThePlayer().Open());
}

int Vantiro_GetMideaType(int* hasPicture, int* reserved) {
    if (hasPicture != nullptr) {
        *hasPicture = ThePlayer().HasPicture() ? 1 : 0;
    }
    if (reserved != nullptr) {
        *reserved = 0;
    }
    return Result(ThePlayer().IsOpen());
}

int Vantiro_GetFrameSize(int* width, int* height) {
    if (width != nullptr) {
        *width = ThePlayer().Width();
    }
    if (height != nullptr) {
        *height = ThePlayer().Height();
    }
    return Result(ThePlayer().HasPicture());
}

int Vantiro_Start(void) {
    ThePlayer().Start();
    return Result(ThePlayer().IsOpen());
}

int Vantiro_Pause(void) {
    ThePlayer().Pause();
    return Result(ThePlayer().IsOpen());
}

int Vantiro_Stop(void) {
    ThePlayer().Stop();
    return Result(ThePlayer().IsOpen());
}

int Vantiro_Close(void) {
    ThePlayer().Close();
    return kOk;
}

int Vantiro_GetPos(float* fraction) {
    if (fraction == nullptr) {
        return kFailed;
    }
    *fraction = static_cast<float>(ThePlayer().Position());
    return kOk;
}

int Vantiro_SetPos(float fraction) {
    ThePlayer().Seek(fraction);
    return Result(ThePlayer().IsOpen());
}

int Vantiro_GetDuration(double* seconds) {
    if (seconds == nullptr) {
        return kFailed;
    }
    *seconds = ThePlayer().Duration();
    return kOk;
}

int Vantiro_GetFrame(unsigned char* buffer, int width, int height) {
    return Result(ThePlayer().CopyPicture(buffer, width, height));
}

int Vantiro_SetVolume(int32_t volume) {
    ThePlayer().SetVolume(volume);
    return kOk;
}

int Vantiro_GetVolume(int32_t* volume) {
    if (volume == nullptr) {
        return kFailed;
    }
    *volume = ThePlayer().Volume();
    return kOk;
}

} // extern "C"
