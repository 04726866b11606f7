// Renders the skin to PNG files:
//   veltrano-skin-tool picture ID OUT.png   picture ID at the screen's pixel ratio
//   veltrano-skin-tool icon SIZE OUT.png    the application icon, SIZE x SIZE
//   veltrano-skin-tool window OUT.png       the main window with a few tasks
// The pixel ratio is the platform's: QT_SCALE_FACTOR=2 gives the 200 % look.
#include "ui/skin_pictures.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <cstdio>
#include <cstring>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: veltrano-skin-tool picture ID OUT.png | icon SIZE OUT.png | "
                         "window OUT.png\n");
    return 2;
}

int Save(const QImage& image, const char* path) {
    if (image.isNull() || !image.save(QString::fromLocal8Bit(path))) {
        std::fprintf(stderr, "veltrano-skin-tool: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

qreal ScreenRatio() {
    return QGuiApplication::primaryScreen()->devicePixelRatio();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "picture") == 0) {
        return Save(SkinPicture(std::atoi(argv[2]), ScreenRatio()), argv[3]);
    }
    if (argc == 4 && std::strcmp(argv[1], "icon") == 0) {
        const int side = std::atoi(argv[2]);
        return Save(SkinPictureWithAlpha(266, QSize(side, side)), argv[3]);
    }
    return Usage();
}
