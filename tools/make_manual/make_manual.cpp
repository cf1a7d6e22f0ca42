// Writes the user manual as PDF from its HTML source, with the program's own
// safety device pictures:  zirk_make_manual <manual.html> <manual.pdf>
#include "windows/DevicePictures.h"

#include <QApplication>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: zirk_make_manual <manual.html> <manual.pdf>\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }

    QTextDocument document;
    for (int kind = 0; kind < 7; ++kind)
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("device%1.png").arg(kind)),
                             devicePicture(kind, 48).toImage());
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    document.setHtml(QString::fromUtf8(source.readAll()));

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
    pdf.setCreator(QStringLiteral("Zirk"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 18, 20, 18),
                                  QPageLayout::Millimeter));
    document.print(&pdf);
    return 0;
}
