// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Draws the programs' own artwork: the window icon, Norplay's splash picture and the logo at the
// foot of Norremote's drawn remote.
// Usage: artwork <output folder> [<remote-control image folder>]
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kAccent(0xef, 0x6d, 0x5e);

// A rounded square with a stylised "N" made of two bars and a diagonal ribbon.
void drawMark(QPainter &p, const QRectF &box)
{
    const qreal s = box.width();
    QPainterPath square;
    square.addRoundedRect(box, s * 0.22, s * 0.22);
    QLinearGradient bg(box.topLeft(), box.bottomRight());
    bg.setColorAt(0.0, QColor(0x2a, 0x2f, 0x38));
    bg.setColorAt(1.0, QColor(0x15, 0x18, 0x1d));
    p.fillPath(square, bg);

    const qreal m = s * 0.24;
    const qreal bar = s * 0.13;
    const QRectF inner = box.adjusted(m, m, -m, -m);
    QPainterPath n;
    n.addRoundedRect(QRectF(inner.left(), inner.top(), bar, inner.height()), bar / 2, bar / 2);
    n.addRoundedRect(QRectF(inner.right() - bar, inner.top(), bar, inner.height()), bar / 2,
                     bar / 2);
    QPainterPath diagonal;
    diagonal.moveTo(inner.left(), inner.top());
    diagonal.lineTo(inner.left() + bar * 1.25, inner.top());
    diagonal.lineTo(inner.right(), inner.bottom());
    diagonal.lineTo(inner.right() - bar * 1.25, inner.bottom());
    diagonal.closeSubpath();
    p.fillPath(n, Qt::white);
    p.fillPath(diagonal, kAccent);
}

QImage icon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawMark(p, QRectF(size * 0.04, size * 0.04, size * 0.92, size * 0.92));
    return img;
}

QImage splash(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QRadialGradient glow(QPointF(w * 0.5, h * 0.45), w * 0.6);
    glow.setColorAt(0.0, QColor(0x26, 0x2b, 0x33));
    glow.setColorAt(1.0, QColor(0x0b, 0x0c, 0x0f));
    p.fillRect(img.rect(), glow);

    // A few soft horizontal bands, like a signal spreading out.
    for (int i = 0; i < 6; ++i) {
        QColor c = kAccent;
        c.setAlphaF(0.05 + 0.02 * i);
        const qreal y = h * (0.70 + 0.035 * i);
        QPainterPath wave;
        wave.moveTo(0, y);
        wave.cubicTo(w * 0.3, y - h * 0.05, w * 0.7, y + h * 0.05, w, y);
        p.setPen(QPen(c, h * 0.004));
        p.drawPath(wave);
    }

    const qreal markSize = h * 0.26;
    drawMark(p, QRectF((w - markSize) / 2, h * 0.22, markSize, markSize));

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(int(h * 0.085));
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, h * 0.52, w, h * 0.12), Qt::AlignCenter, QStringLiteral("Norvale"));

    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(int(h * 0.03));
    sub.setLetterSpacing(QFont::PercentageSpacing, 140);
    p.setFont(sub);
    p.setPen(QColor(0xc8, 0xcc, 0xd2));
    p.drawText(QRectF(0, h * 0.635, w, h * 0.05), Qt::AlignCenter,
               QStringLiteral("RECORDINGS  ·  LIVE TV  ·  ANYWHERE AT HOME"));
    return img;
}

// The mark beside the name, on a transparent ground, 4:1: the foot of the drawn remote.
QImage logo(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal mark = h * 0.8;
    drawMark(p, QRectF(h * 0.1, h * 0.1, mark, mark));

    QFont name(QStringLiteral("DejaVu Sans"));
    name.setPixelSize(int(h * 0.46));
    name.setBold(true);
    name.setLetterSpacing(QFont::PercentageSpacing, 118);
    p.setFont(name);
    p.setPen(QColor(0xd8, 0xdb, 0xe0));
    p.drawText(QRectF(h * 1.1, 0, w - h * 1.1, h), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("NORVALE"));
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: artwork <output folder> [<remote-control image folder>]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    bool ok = icon(256).save(out + QStringLiteral("/app_icon.png")) &&
              splash(3840, 2160).save(out + QStringLiteral("/Norvale_Splash.png"));
    if (ok && argc > 2) {
        const QString remote = QString::fromLocal8Bit(argv[2]);
        ok = icon(256).save(remote + QStringLiteral("/app_icon.png")) &&
             logo(800, 200).save(remote + QStringLiteral("/norvale_logo.png"));
    }
    return ok ? 0 : 1;
}
