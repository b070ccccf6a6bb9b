// Writes the application icons from the ruler icon's pixel image: a PNG per
// size, scaled without smoothing so every pixel stays a crisp square, and an
// SVG with one rectangle per run of equal pixels.
//
//   quillant_icons OUTPUT_DIR NAME SIZE...
// writes OUTPUT_DIR/<SIZE>x<SIZE>/apps/NAME.png and OUTPUT_DIR/scalable/apps/NAME.svg.

#include "shell/Images.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

bool writeSvg(const QImage& image, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QTextStream out(&file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << image.width() << "\" height=\""
        << image.height() << "\" viewBox=\"0 0 " << image.width() << ' ' << image.height()
        << "\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width()) {
            const QRgb c = image.pixel(x, y);
            int end = x + 1;
            while (end < image.width() && image.pixel(end, y) == c)
                ++end;
            if (qAlpha(c) != 0) {
                out << "  <rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << end - x
                    << "\" height=\"1\" fill=\"" << QColor(c).name() << "\"/>\n";
            }
            x = end;
        }
    }
    out << "</svg>\n";
    out.flush();
    return file.error() == QFile::NoError;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const QImage icon = shell::RulerIconImage().convertToFormat(QImage::Format_ARGB32);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString sub = dir + QStringLiteral("/%1x%1/apps").arg(size);
        const QImage scaled =
            icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (size <= 0 || !QDir().mkpath(sub) || !scaled.save(sub + '/' + name + ".png")) {
            std::fprintf(stderr, "cannot write the %s px icon\n", argv[i]);
            return 1;
        }
    }
    const QString scalable = dir + QStringLiteral("/scalable/apps");
    if (!QDir().mkpath(scalable) || !writeSvg(icon, scalable + '/' + name + ".svg")) {
        std::fprintf(stderr, "cannot write the scalable icon\n");
        return 1;
    }
    return 0;
}
