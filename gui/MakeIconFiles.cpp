// onarim-make-icons DIRECTORY: writes the program's icon as DIRECTORY/onarim-16.png and
// DIRECTORY/onarim-32.png, for installing beside the .desktop file. Run by the build.
#include <cstdio>

#include <QImage>
#include <QString>

#include "gui/MainIcon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    for (const int size : {16, 32}) {
        const QString path =
            QString::fromLocal8Bit(argv[1]) + QStringLiteral("/onarim-%1.png").arg(size);
        if (!onarim::DrawMainIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
