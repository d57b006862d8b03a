// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Draws the game's pictures (board cells, ships, wrecks, marks, icon and menu pictures) and writes them as
// PNG files into <folder>/img, and the icon for the desktop's menus at its usual sizes into
// <folder>/icons/hicolor/<n>x<n>/apps. Usage: mkart <folder>. Everything is drawn here with QPainter; the
// star field comes from a fixed-seed generator, so running it again gives the very same files.
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr int kCell = 30;                 // one board cell, grid line included
constexpr qreal kMid = (kCell - 1) / 2.0; // centre of the area inside the grid line
const QColor kSpace(3, 4, 12);            // empty space
const QColor kGrid(22, 34, 78);           // the faint grid line on a cell's right and bottom edge

// A small fixed-seed generator (xorshift32), enough for stars, flames and debris.
class Dice {
  public:
    explicit Dice(std::uint32_t seed) : s_(seed ? seed : 1u) {}
    std::uint32_t Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    // Uniform in [lo, hi).
    qreal In(qreal lo, qreal hi) { return lo + (hi - lo) * (Next() >> 8) / 16777216.0; }

  private:
    std::uint32_t s_;
};

struct Star {
    QPointF at;
    qreal radius;
    QColor colour;
};

// The stars of one cell; every cell has the same ones so that cells tile without seams.
const std::vector<Star>& CellStars() {
    static const std::vector<Star> stars = [] {
        std::vector<Star> v;
        Dice d(20240611u);
        const QColor tints[] = {QColor(255, 255, 255), QColor(200, 215, 255), QColor(255, 236, 205),
                                QColor(215, 225, 255), QColor(255, 250, 235)};
        for (int i = 0; i < 6; ++i) {
            Star s;
            s.at = QPointF(d.In(2.0, 26.5), d.In(2.0, 26.5));
            s.radius = i == 0 ? 0.95 : d.In(0.35, 0.65);
            QColor c = tints[d.Next() % 5];
            c.setAlpha(i == 0 ? 255 : static_cast<int>(d.In(110, 210)));
            s.colour = c;
            v.push_back(s);
        }
        return v;
    }();
    return stars;
}

void DrawStar(QPainter& p, const Star& s) {
    QRadialGradient g(s.at, s.radius * 2.2);
    QColor halo = s.colour;
    halo.setAlpha(s.colour.alpha() / 4);
    QColor clear = s.colour;
    clear.setAlpha(0);
    g.setColorAt(0.0, s.colour);
    g.setColorAt(0.4, s.colour);
    g.setColorAt(0.55, halo);
    g.setColorAt(1.0, clear);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(s.at, s.radius * 2.2, s.radius * 2.2);
    if (s.radius > 0.8) { // the bright one twinkles
        QColor ray = s.colour;
        ray.setAlpha(90);
        p.setPen(QPen(ray, 0.5));
        p.drawLine(s.at - QPointF(2.6, 0), s.at + QPointF(2.6, 0));
        p.drawLine(s.at - QPointF(0, 2.6), s.at + QPointF(0, 2.6));
    }
}

// One cell's background with its top-left corner at (x, y).
void DrawCellBackground(QPainter& p, int x, int y) {
    p.save();
    p.fillRect(x, y, kCell, kCell, kSpace);
    p.setClipRect(x, y, kCell - 1, kCell - 1);
    p.translate(x, y);
    for (const Star& s : CellStars())
        DrawStar(p, s);
    p.restore();
    p.fillRect(x + kCell - 1, y, 1, kCell, kGrid);
    p.fillRect(x, y + kCell - 1, kCell, 1, kGrid);
}

QImage Blank(int w, int h, const QColor& fill = Qt::transparent) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

QImage Background(int w, int h) {
    QImage img = Blank(w, h);
    QPainter p(&img);
    for (int y = 0; y < h; y += kCell)
        for (int x = 0; x < w; x += kCell)
            DrawCellBackground(p, x, y);
    return img;
}

// A fireball of radius r at c; seed varies its flames.
void DrawExplosion(QPainter& p, QPointF c, qreal r, std::uint32_t seed) {
    Dice d(seed);
    p.save();
    p.setPen(Qt::NoPen);

    // Red glow around it.
    QRadialGradient glow(c, r * 1.3);
    glow.setColorAt(0.0, QColor(255, 120, 30, 150));
    glow.setColorAt(0.55, QColor(200, 40, 10, 90));
    glow.setColorAt(1.0, QColor(120, 10, 0, 0));
    p.setBrush(glow);
    p.drawEllipse(c, r * 1.3, r * 1.3);

    // Outer flame: a ragged star, dark red at the tips.
    auto flame = [&](qreal inner, qreal outer, int spikes, qreal turn) {
        QPainterPath path;
        for (int i = 0; i < spikes * 2; ++i) {
            const qreal a = turn + std::numbers::pi * i / spikes + d.In(-0.12, 0.12);
            const qreal rad = (i % 2 == 0) ? outer * d.In(0.8, 1.0) : inner * d.In(0.85, 1.1);
            const QPointF pt = c + QPointF(std::cos(a) * rad, std::sin(a) * rad);
            if (i == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        path.closeSubpath();
        return path;
    };
    QRadialGradient fire(c, r);
    fire.setColorAt(0.0, QColor(255, 255, 235));
    fire.setColorAt(0.25, QColor(255, 238, 120));
    fire.setColorAt(0.5, QColor(255, 160, 30));
    fire.setColorAt(0.78, QColor(230, 70, 15));
    fire.setColorAt(1.0, QColor(140, 20, 5));
    p.setBrush(fire);
    p.drawPath(flame(r * 0.55, r, 9, d.In(0, 1)));

    // Inner flame, brighter and turned.
    QRadialGradient core(c, r * 0.7);
    core.setColorAt(0.0, QColor(255, 255, 255));
    core.setColorAt(0.35, QColor(255, 250, 190));
    core.setColorAt(0.75, QColor(255, 200, 60));
    core.setColorAt(1.0, QColor(255, 140, 20, 0));
    p.setBrush(core);
    p.drawPath(flame(r * 0.38, r * 0.7, 7, d.In(1, 2)));

    // Sparks flying out.
    for (int i = 0; i < 7; ++i) {
        const qreal a = d.In(0, 2 * std::numbers::pi);
        const qreal rad = r * d.In(0.85, 1.2);
        const QPointF s = c + QPointF(std::cos(a) * rad, std::sin(a) * rad);
        p.setBrush(i % 2 ? QColor(255, 230, 140) : QColor(255, 170, 60));
        const qreal sz = d.In(0.35, 0.7);
        p.drawEllipse(s, sz, sz);
    }
    p.restore();
}

// The shape of one ship, all in the coordinates of a vertical ship of n decks: x from 0 to 29,
// bow at y = 0, stern at y = 30 * n - 1.
struct ShipShape {
    int decks;
    qreal length;     // 30 * n - 1
    qreal halfWidth;  // of the hull
    qreal bow;        // y of the nose tip
    qreal noseLength; // where the hull reaches full width
    qreal stern;      // y of the hull's end
    qreal wingTop, wingTipFront, wingTipBack, wingBottom, wingSpan;
    std::vector<qreal> nozzles; // x of the engine nozzles
    std::vector<qreal> turrets; // y of the turrets
    bool canards;               // small forward wings
    qreal podTop, podBottom;    // engine pods on the wing tips, when podTop < podBottom
};

ShipShape ShapeOf(int n) {
    ShipShape s{};
    s.decks = n;
    s.length = kCell * n - 1;
    s.bow = 2.0;
    s.stern = s.length - 5.5;
    switch (n) {
    case 1:
        s.halfWidth = 4.6;
        s.noseLength = 11;
        s.wingTop = 11;
        s.wingTipFront = 17;
        s.wingTipBack = 22;
        s.wingBottom = 23;
        s.wingSpan = 10.8;
        s.nozzles = {kMid};
        break;
    case 2:
        s.halfWidth = 5.4;
        s.noseLength = 17;
        s.wingTop = 30;
        s.wingTipFront = 42;
        s.wingTipBack = 50;
        s.wingBottom = 52;
        s.wingSpan = 11.5;
        s.nozzles = {kMid - 2.4, kMid + 2.4};
        break;
    case 3:
        s.halfWidth = 5.8;
        s.noseLength = 20;
        s.wingTop = 58;
        s.wingTipFront = 72;
        s.wingTipBack = 80;
        s.wingBottom = 82;
        s.wingSpan = 10.8;
        s.nozzles = {kMid - 2.7, kMid + 2.7};
        s.turrets = {44};
        s.canards = true;
        s.podTop = 62;
        s.podBottom = s.stern - 1;
        break;
    default:
        s.halfWidth = 6.2;
        s.noseLength = 22;
        s.wingTop = 86;
        s.wingTipFront = 102;
        s.wingTipBack = 110;
        s.wingBottom = 112;
        s.wingSpan = 10.8;
        s.nozzles = {kMid - 3.6, kMid, kMid + 3.6};
        s.turrets = {44, 71};
        s.canards = true;
        s.podTop = 84;
        s.podBottom = s.stern - 1;
        break;
    }
    return s;
}

QPainterPath HullPath(const ShipShape& s) {
    const qreal hw = s.halfWidth;
    const qreal top = s.bow;
    const qreal full = top + s.noseLength;
    QPainterPath path;
    path.moveTo(kMid, top);
    path.cubicTo(kMid + hw * 0.45, top + s.noseLength * 0.12, kMid + hw, top + s.noseLength * 0.5, kMid + hw,
                 full);
    path.lineTo(kMid + hw, s.stern - 3);
    path.quadTo(kMid + hw, s.stern, kMid + hw - 1.8, s.stern);
    path.lineTo(kMid - hw + 1.8, s.stern);
    path.quadTo(kMid - hw, s.stern, kMid - hw, s.stern - 3);
    path.lineTo(kMid - hw, full);
    path.cubicTo(kMid - hw, top + s.noseLength * 0.5, kMid - hw * 0.45, top + s.noseLength * 0.12, kMid, top);
    path.closeSubpath();
    return path;
}

// Both wings (mirror images) as one path.
QPainterPath WingsPath(const ShipShape& s, qreal top, qreal tipFront, qreal tipBack, qreal bottom,
                       qreal span) {
    QPainterPath path;
    for (int side : {-1, 1}) {
        const qreal root = kMid + side * (s.halfWidth - 0.8);
        const qreal tip = kMid + side * span;
        QPainterPath w;
        w.moveTo(root, top);
        w.lineTo(tip, tipFront);
        w.lineTo(tip, tipBack);
        w.lineTo(root, bottom);
        w.closeSubpath();
        path.addPath(w);
    }
    return path;
}

struct Palette {
    QColor hullDark, hullMid, hullLight, hullEdge;
    QColor wingLight, wingDark;
    QColor outline, panel, panelLight;
    QColor accent;
};

Palette Fresh() {
    return {QColor(52, 62, 80),    QColor(128, 144, 168), QColor(212, 222, 236), QColor(36, 42, 56),
            QColor(118, 140, 180), QColor(58, 72, 104),   QColor(18, 22, 32),    QColor(40, 48, 64),
            QColor(235, 240, 250), QColor(200, 70, 50)};
}

Palette Burnt() {
    return {QColor(40, 35, 32),    QColor(96, 86, 78), QColor(150, 134, 118), QColor(28, 24, 22),
            QColor(84, 74, 68),    QColor(36, 32, 30), QColor(8, 7, 7),       QColor(14, 12, 11),
            QColor(140, 120, 100), QColor(90, 40, 30)};
}

QLinearGradient HullGradient(const ShipShape& s, const Palette& c) {
    QLinearGradient g(kMid - s.halfWidth, 0, kMid + s.halfWidth, 0);
    g.setColorAt(0.0, c.hullEdge);
    g.setColorAt(0.18, c.hullMid);
    g.setColorAt(0.38, c.hullLight);
    g.setColorAt(0.62, c.hullMid);
    g.setColorAt(1.0, c.hullDark);
    return g;
}

void DrawEngineGlow(QPainter& p, QPointF at, qreal r) {
    QRadialGradient g(at, r);
    g.setColorAt(0.0, QColor(255, 255, 255, 255));
    g.setColorAt(0.25, QColor(170, 235, 255, 240));
    g.setColorAt(0.6, QColor(50, 140, 255, 130));
    g.setColorAt(1.0, QColor(20, 60, 255, 0));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawEllipse(at, r * 0.8, r);
}

void DrawNavLight(QPainter& p, QPointF at, const QColor& c) {
    QRadialGradient g(at, 1.8);
    g.setColorAt(0.0, QColor(255, 255, 255));
    g.setColorAt(0.35, c);
    QColor clear = c;
    clear.setAlpha(0);
    g.setColorAt(1.0, clear);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(at, 1.8, 1.8);
}

void DrawTurret(QPainter& p, QPointF at, const Palette& c, bool wrecked) {
    p.setPen(QPen(c.outline, 0.6));
    p.setBrush(c.panelLight.darker(wrecked ? 160 : 115));
    p.drawRect(QRectF(at.x() - 1.5, at.y() - 7.5, 1.0, 6.0)); // twin barrels pointing forward
    p.drawRect(QRectF(at.x() + 0.5, at.y() - 7.5, 1.0, 6.0));
    QRadialGradient g(at - QPointF(1, 1), 3.6);
    g.setColorAt(0.0, c.hullLight);
    g.setColorAt(0.6, c.hullMid);
    g.setColorAt(1.0, c.hullDark);
    p.setBrush(g);
    p.drawEllipse(at, 2.8, 2.8);
    p.setBrush(c.outline);
    p.drawEllipse(at, 0.8, 0.8);
}

// Jagged dark crack starting at 'from', heading roughly along 'dir'.
void DrawCrack(QPainter& p, QPointF from, QPointF dir, int steps, Dice& d, const QColor& colour) {
    QPainterPath path(from);
    QPointF at = from;
    for (int i = 0; i < steps; ++i) {
        at += dir + QPointF(d.In(-1.2, 1.2), d.In(-1.2, 1.2));
        path.lineTo(at);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

// A vertical ship of n decks, bow up, on a transparent layer of 30 x 30n. A wrecked ship is burnt, broken
// and burning on every deck.
void DrawShip(QPainter& p, int n, bool wrecked) {
    const ShipShape s = ShapeOf(n);
    const Palette c = wrecked ? Burnt() : Fresh();
    Dice d(1000u + static_cast<std::uint32_t>(n) * 77u + (wrecked ? 5u : 0u));
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    // Engine glow behind everything; a wreck's engines are dead.
    if (!wrecked)
        for (qreal x : s.nozzles) {
            DrawEngineGlow(p, QPointF(x, s.stern + 2.6), 2.9);
        }

    // Wings.
    QPainterPath wings = WingsPath(s, s.wingTop, s.wingTipFront, s.wingTipBack, s.wingBottom, s.wingSpan);
    if (s.canards) {
        const qreal y = s.bow + s.noseLength + 4;
        wings.addPath(WingsPath(s, y, y + 5, y + 8, y + 9, s.halfWidth + 4.2));
    }
    QLinearGradient wg(0, s.wingTop, 0, s.wingBottom);
    wg.setColorAt(0.0, c.wingLight);
    wg.setColorAt(1.0, c.wingDark);
    p.setPen(QPen(c.outline, 0.7));
    p.setBrush(wg);
    p.drawPath(wings);
    // A coloured stripe near each wing tip.
    p.setPen(QPen(c.accent, 1.1));
    for (int side : {-1, 1}) {
        if (s.podTop < s.podBottom)
            break;
        const qreal x = kMid + side * (s.wingSpan - 2.2);
        const qreal y0 = s.wingTop + (s.wingTipFront - s.wingTop) * (s.wingSpan - 2.2 - s.halfWidth + 0.8) /
                                         (s.wingSpan - s.halfWidth + 0.8);
        p.drawLine(QPointF(x, y0 + 1.2), QPointF(x, s.wingTipBack - 0.6));
    }

    // Engine pods on the wing tips of the bigger ships.
    if (s.podTop < s.podBottom) {
        for (int side : {-1, 1}) {
            const qreal x = kMid + side * (s.wingSpan - 1.6);
            const qreal r = 1.7;
            if (!wrecked)
                DrawEngineGlow(p, QPointF(x, s.podBottom + 1.8), 2.2);
            QPainterPath pod;
            pod.moveTo(x - r, s.podBottom);
            pod.lineTo(x - r, s.podTop + 4);
            pod.cubicTo(x - r, s.podTop + 1, x - 0.6, s.podTop, x, s.podTop);
            pod.cubicTo(x + 0.6, s.podTop, x + r, s.podTop + 1, x + r, s.podTop + 4);
            pod.lineTo(x + r, s.podBottom);
            pod.closeSubpath();
            QLinearGradient pg(x - r, 0, x + r, 0);
            pg.setColorAt(0.0, c.hullEdge);
            pg.setColorAt(0.35, c.hullLight);
            pg.setColorAt(1.0, c.hullDark);
            p.setPen(QPen(c.outline, 0.6));
            p.setBrush(pg);
            p.drawPath(pod);
            p.setPen(Qt::NoPen);
            p.setBrush(c.accent);
            p.drawRect(QRectF(x - r + 0.3, s.podTop + 6, 2 * r - 0.6, 1.6));
            p.setBrush(c.hullEdge);
            p.drawRect(QRectF(x - r + 0.3, s.podBottom - 1.2, 2 * r - 0.6, 1.2));
        }
    }

    // Engine nozzles.
    for (qreal x : s.nozzles) {
        QLinearGradient ng(x - 1.6, 0, x + 1.6, 0);
        ng.setColorAt(0.0, c.hullEdge);
        ng.setColorAt(0.4, c.hullMid);
        ng.setColorAt(1.0, c.hullEdge);
        p.setPen(QPen(c.outline, 0.6));
        p.setBrush(ng);
        p.drawRect(QRectF(x - 1.6, s.stern - 1.0, 3.2, 2.8));
    }

    // Hull.
    const QPainterPath hull = HullPath(s);
    p.setPen(QPen(c.outline, 0.8));
    p.setBrush(HullGradient(s, c));
    p.drawPath(hull);

    p.save();
    p.setClipPath(hull);
    // Deck seams: dark line with a light edge under it, one per 30-pixel deck.
    for (int k = 1; k < n; ++k) {
        const qreal y = kCell * k - 0.5;
        p.setPen(QPen(c.panel, 0.9));
        p.drawLine(QPointF(0, y), QPointF(kCell, y));
        p.setPen(QPen(c.panelLight.darker(wrecked ? 150 : 170), 0.5));
        p.drawLine(QPointF(0, y + 0.9), QPointF(kCell, y + 0.9));
    }
    // A light ridge down the spine, and finer panel lines.
    p.setPen(QPen(QColor(255, 255, 255, wrecked ? 25 : 60), 0.6));
    p.drawLine(QPointF(kMid - 0.8, s.bow + 4), QPointF(kMid - 0.8, s.stern - 2));
    p.setPen(QPen(c.panel, 0.45));
    for (qreal y = s.bow + s.noseLength + 7; y < s.stern - 4; y += 10) {
        p.drawLine(QPointF(kMid - s.halfWidth, y), QPointF(kMid - s.halfWidth + 2.2, y));
        p.drawLine(QPointF(kMid + s.halfWidth - 2.2, y), QPointF(kMid + s.halfWidth, y));
    }
    // Stern plate.
    p.setPen(Qt::NoPen);
    p.setBrush(c.hullEdge);
    p.drawRect(QRectF(kMid - s.halfWidth, s.stern - 2.2, 2 * s.halfWidth, 2.2));
    p.restore();

    // Cockpit canopy near the bow.
    {
        const qreal cy = s.bow + s.noseLength * 0.72 + (n == 1 ? 0.5 : 1.5);
        const qreal rw = s.halfWidth * 0.55;
        const qreal rh = n == 1 ? 3.0 : 4.2;
        QRadialGradient g(QPointF(kMid - rw * 0.4, cy - rh * 0.5), rh * 1.6);
        if (wrecked) {
            g.setColorAt(0.0, QColor(70, 70, 70));
            g.setColorAt(1.0, QColor(12, 12, 14));
        } else {
            g.setColorAt(0.0, QColor(235, 250, 255));
            g.setColorAt(0.25, QColor(120, 200, 255));
            g.setColorAt(0.7, QColor(30, 90, 170));
            g.setColorAt(1.0, QColor(10, 30, 80));
        }
        p.setPen(QPen(c.outline, 0.7));
        p.setBrush(g);
        p.drawEllipse(QPointF(kMid, cy), rw, rh);
    }

    // Turrets on the middle decks, and a bridge tower on the big ones.
    for (qreal y : s.turrets)
        DrawTurret(p, QPointF(kMid, y), c, wrecked);
    if (n >= 2) {
        const qreal y = s.wingTop + 6;
        QLinearGradient bg(kMid - 3, 0, kMid + 3, 0);
        bg.setColorAt(0.0, c.hullMid);
        bg.setColorAt(0.4, c.hullLight);
        bg.setColorAt(1.0, c.hullDark);
        p.setPen(QPen(c.outline, 0.6));
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(kMid - 3, y, 6, 9), 1.5, 1.5);
        // Windows.
        p.setPen(Qt::NoPen);
        p.setBrush(wrecked ? QColor(40, 30, 20) : QColor(255, 220, 120));
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(kMid - 2.0 + 1.5 * i, y + 1.6, 0.9, 0.9));
    }

    // Navigation lights on the wing tips.
    if (!wrecked) {
        const bool pods = s.podTop < s.podBottom;
        const qreal y = pods ? s.podTop + 2.2 : (s.wingTipFront + s.wingTipBack) / 2;
        const qreal x = pods ? s.wingSpan - 1.6 : s.wingSpan - 0.6;
        DrawNavLight(p, QPointF(kMid - x, y), QColor(255, 60, 50));
        DrawNavLight(p, QPointF(kMid + x, y), QColor(60, 255, 110));
    }

    if (wrecked) {
        // Chunks torn out of the wings and hull.
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (int side : {-1, 1}) {
            QPainterPath bite;
            const qreal x = kMid + side * s.wingSpan;
            const qreal y = s.wingTipFront + d.In(-1, 2);
            bite.moveTo(x + side * 1.5, y - 2);
            bite.lineTo(x - side * d.In(3, 5), y + d.In(0, 2));
            bite.lineTo(x - side * d.In(1, 3), y + d.In(3, 5));
            bite.lineTo(x - side * d.In(4, 6), y + d.In(5, 7));
            bite.lineTo(x + side * 1.5, y + 9);
            bite.closeSubpath();
            p.drawPath(bite);
        }
        for (int k = 1; k < n; ++k) { // the hull breaks apart between decks
            const qreal y = kCell * k - 0.5;
            QPainterPath gap;
            gap.moveTo(0, y - 0.6);
            for (qreal x = kMid - s.halfWidth - 1; x <= kMid + s.halfWidth + 1; x += 1.6)
                gap.lineTo(x, y + d.In(-1.6, 1.6));
            gap.lineTo(kCell, y + 0.6);
            for (qreal x = kMid + s.halfWidth + 1; x >= kMid - s.halfWidth - 1; x -= 1.6)
                gap.lineTo(x, y + d.In(0.6, 1.8));
            gap.closeSubpath();
            p.drawPath(gap);
        }
        p.restore();

        // Scorch marks and cracks.
        p.save();
        p.setClipPath(hull.united(wings));
        for (int k = 0; k < n; ++k) {
            const QPointF at(kMid + d.In(-3, 3), kCell * k + d.In(8, 20));
            QRadialGradient g(at, 8);
            g.setColorAt(0.0, QColor(0, 0, 0, 220));
            g.setColorAt(1.0, QColor(0, 0, 0, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawEllipse(at, 8, 8);
            DrawCrack(p, at, QPointF(d.In(-1.5, 1.5), -1.6), 5, d, QColor(5, 4, 4));
            DrawCrack(p, at, QPointF(d.In(-1.5, 1.5), 1.6), 5, d, QColor(5, 4, 4));
        }
        p.restore();

        // Smoke and a fireball on every deck.
        for (int k = 0; k < n; ++k) {
            const QPointF at(kMid + d.In(-1.2, 1.2), kCell * k + kMid + d.In(-1.2, 1.2));
            QRadialGradient smoke(at + QPointF(1.5, 1.5), 11.5);
            smoke.setColorAt(0.0, QColor(40, 36, 34, 150));
            smoke.setColorAt(1.0, QColor(40, 36, 34, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(smoke);
            p.drawEllipse(at + QPointF(1.5, 1.5), 11.5, 11.5);
            // Smaller than the hit mark and off the middle, so the burnt hull shows round it.
            DrawExplosion(p, at + QPointF(2.5, 3.5), 5.8, 77u + static_cast<std::uint32_t>(n * 10 + k));
        }
    }
    p.restore();
}

QImage ShipLayer(int n, bool wrecked) {
    QImage layer = Blank(kCell, kCell * n);
    QPainter p(&layer);
    DrawShip(p, n, wrecked);
    return layer;
}

// A ship over its cells' backgrounds; horizontal ships are the vertical ones turned a quarter clockwise.
QImage ShipPicture(int n, bool wrecked, bool horizontal) {
    QImage layer = ShipLayer(n, wrecked);
    if (horizontal) {
        layer = layer.transformed(QTransform().rotate(90));
        // Turning moves the grid-line column to the left; shift the ship so its empty strip meets the grid
        // line.
        QImage shifted = Blank(layer.width(), layer.height());
        QPainter sp(&shifted);
        sp.drawImage(-1, 0, layer);
        sp.end();
        layer = shifted;
    }
    QImage img = Background(layer.width(), layer.height());
    QPainter p(&img);
    p.drawImage(0, 0, layer);
    return img;
}

QImage CellPicture(const std::function<void(QPainter&)>& mark) {
    QImage img = Background(kCell, kCell);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    mark(p);
    return img;
}

void DrawMissRing(QPainter& p) {
    const QPointF c(kMid, kMid);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 255, 90, 60), 5.0));
    p.drawEllipse(c, 8.0, 8.0);
    p.setPen(QPen(QColor(40, 230, 80), 2.6));
    p.drawEllipse(c, 8.0, 8.0);
    p.setPen(QPen(QColor(190, 255, 200, 200), 0.8));
    p.drawEllipse(c, 8.0, 8.0);
}

void DrawCrosshair(QPainter& p, QPointF c, qreal r, const QColor& colour, qreal width) {
    p.setBrush(Qt::NoBrush);
    QColor halo = colour;
    halo.setAlpha(70);
    for (const auto& pen : {QPen(halo, width * 2.6, Qt::SolidLine, Qt::RoundCap),
                            QPen(colour, width, Qt::SolidLine, Qt::RoundCap)}) {
        p.setPen(pen);
        p.drawEllipse(c, r, r);
        const qreal a = r * 0.45, b = r * 1.45;
        p.drawLine(c + QPointF(0, -a), c + QPointF(0, -b));
        p.drawLine(c + QPointF(0, a), c + QPointF(0, b));
        p.drawLine(c + QPointF(-a, 0), c + QPointF(-b, 0));
        p.drawLine(c + QPointF(a, 0), c + QPointF(b, 0));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(c, width * 0.7, width * 0.7);
}

void DrawStarField(QPainter& p, const QRectF& r, std::uint32_t seed, int count) {
    Dice d(seed);
    for (int i = 0; i < count; ++i) {
        Star s;
        s.at = QPointF(d.In(r.left() + 1, r.right() - 1), d.In(r.top() + 1, r.bottom() - 1));
        s.radius = i % 5 == 0 ? 0.8 : d.In(0.3, 0.55);
        s.colour = QColor(230, 235, 255, static_cast<int>(d.In(120, 255)));
        DrawStar(p, s);
    }
}

// A ship drawn into the current painter at 'centre', turned by 'angle' degrees (0 is bow up), scaled.
void DrawShipAt(QPainter& p, int n, QPointF centre, qreal angle, qreal scale) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.scale(scale, scale);
    p.translate(-kMid, -(kCell * n - 1) / 2.0);
    DrawShip(p, n, false);
    p.restore();
}

// The program's icon, drawn on a 64 x 64 grid and scaled to size x size pixels.
QImage Icon(int size = 64) {
    QImage img = Blank(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    const QPointF c(32, 32);
    QRadialGradient g(QPointF(26, 24), 40);
    g.setColorAt(0.0, QColor(28, 40, 96));
    g.setColorAt(0.6, QColor(8, 12, 40));
    g.setColorAt(1.0, QColor(2, 3, 12));
    p.setPen(QPen(QColor(130, 150, 200), 2.0));
    p.setBrush(g);
    p.drawEllipse(c, 30.5, 30.5);
    QPainterPath disc;
    disc.addEllipse(c, 29.5, 29.5);
    p.setClipPath(disc);
    DrawStarField(p, QRectF(2, 2, 60, 60), 4242u, 22);
    DrawShipAt(p, 3, QPointF(32, 32), 45, 0.6);
    p.setClipping(false);
    DrawCrosshair(p, QPointF(36, 28), 9.5, QColor(255, 70, 50), 1.8);
    return img;
}

// A monitor on a stand; 'screen' draws the picture inside the screen rectangle it is given.
void DrawComputer(QPainter& p, const QRectF& body,
                  const std::function<void(QPainter&, const QRectF&)>& screen) {
    const qreal unit = body.width() / 68.0;
    // Stand.
    const qreal neckW = body.width() * 0.18;
    const QRectF neck(body.center().x() - neckW / 2, body.bottom() - 1, neckW, 9 * unit);
    QLinearGradient sg(neck.left(), 0, neck.right(), 0);
    sg.setColorAt(0.0, QColor(120, 125, 140));
    sg.setColorAt(0.5, QColor(200, 204, 214));
    sg.setColorAt(1.0, QColor(110, 115, 130));
    p.setPen(QPen(QColor(50, 54, 66), 1.0));
    p.setBrush(sg);
    p.drawRect(neck);
    const QRectF base(body.center().x() - body.width() * 0.32, neck.bottom() - 1, body.width() * 0.64,
                      6 * unit);
    QLinearGradient bgr(0, base.top(), 0, base.bottom());
    bgr.setColorAt(0.0, QColor(215, 218, 228));
    bgr.setColorAt(1.0, QColor(130, 134, 148));
    p.setBrush(bgr);
    p.drawRoundedRect(base, 2.5 * unit, 2.5 * unit);

    // Case.
    QLinearGradient cg(0, body.top(), 0, body.bottom());
    cg.setColorAt(0.0, QColor(236, 238, 244));
    cg.setColorAt(0.5, QColor(200, 204, 216));
    cg.setColorAt(1.0, QColor(150, 154, 170));
    p.setPen(QPen(QColor(50, 54, 66), 1.2));
    p.setBrush(cg);
    p.drawRoundedRect(body, 5 * unit, 5 * unit);

    // Screen with a bevel and a glare.
    const QRectF scr = body.adjusted(5 * unit, 5 * unit, -5 * unit, -10 * unit);
    p.setPen(QPen(QColor(70, 74, 90), 1.0));
    p.setBrush(QColor(2, 4, 14));
    p.drawRoundedRect(scr.adjusted(-1, -1, 1, 1), 2.5 * unit, 2.5 * unit);
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(scr, 2 * unit, 2 * unit);
    p.setClipPath(clip);
    QRadialGradient sp(scr.center(), scr.width() * 0.7);
    sp.setColorAt(0.0, QColor(16, 26, 70));
    sp.setColorAt(1.0, QColor(2, 4, 14));
    p.fillRect(scr, sp);
    screen(p, scr);
    QLinearGradient glare(scr.topLeft(), scr.bottomRight());
    glare.setColorAt(0.0, QColor(255, 255, 255, 50));
    glare.setColorAt(0.45, QColor(255, 255, 255, 0));
    p.fillRect(scr, glare);
    p.restore();

    // Power light.
    const QPointF led(body.right() - 8 * unit, body.bottom() - 5 * unit);
    DrawNavLight(p, led, QColor(60, 255, 110));
    p.setPen(QPen(QColor(90, 94, 110), 0.8));
    p.drawLine(QPointF(body.left() + 7 * unit, body.bottom() - 5 * unit),
               QPointF(body.left() + 20 * unit, body.bottom() - 5 * unit));
}

QImage PictureComputer() {
    QImage img = Blank(96, 80);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    DrawComputer(p, QRectF(14, 4, 68, 54), [](QPainter& q, const QRectF& s) {
        DrawStarField(q, s, 99u, 18);
        DrawShipAt(q, 3, s.center() + QPointF(-4, 5), 90, 0.55);
        q.setRenderHint(QPainter::Antialiasing);
        DrawExplosion(q, QPointF(s.right() - 11, s.top() + 10), 5.0, 5u);
        DrawCrosshair(q, QPointF(s.right() - 11, s.top() + 10), 6.5, QColor(255, 80, 60), 1.0);
    });
    return img;
}

// A telephone handset lying on the modem, as seen from the front.
void DrawHandset(QPainter& p, const QRectF& r) {
    QPainterPath path;
    const qreal cup = r.width() * 0.26;
    path.addRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.35, cup, r.height() * 0.65), 2, 2);
    path.addRoundedRect(QRectF(r.right() - cup, r.top() + r.height() * 0.35, cup, r.height() * 0.65), 2, 2);
    QPainterPath bar;
    bar.moveTo(r.left() + cup * 0.3, r.top() + r.height() * 0.45);
    bar.quadTo(r.center().x(), r.top() - r.height() * 0.35, r.right() - cup * 0.3,
               r.top() + r.height() * 0.45);
    bar.lineTo(r.right() - cup * 0.6, r.top() + r.height() * 0.7);
    bar.quadTo(r.center().x(), r.top() + r.height() * 0.05, r.left() + cup * 0.6, r.top() + r.height() * 0.7);
    bar.closeSubpath();
    path = path.united(bar);
    QLinearGradient g(0, r.top(), 0, r.bottom());
    g.setColorAt(0.0, QColor(90, 96, 112));
    g.setColorAt(1.0, QColor(22, 24, 32));
    p.setPen(QPen(QColor(10, 12, 18), 0.9));
    p.setBrush(g);
    p.drawPath(path);
}

QImage PictureRemote() {
    QImage img = Blank(96, 80);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // The telephone line: from each computer down to the modem between them.
    const QPointF modemLeft(34, 66), modemRight(62, 66);
    QPainterPath line;
    line.moveTo(19, 43);
    line.cubicTo(19, 68, 24, 66, modemLeft.x(), modemLeft.y());
    line.moveTo(77, 43);
    line.cubicTo(77, 68, 72, 66, modemRight.x(), modemRight.y());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 30, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(line);
    p.setPen(QPen(QColor(110, 110, 130), 0.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(line);

    auto own = [](QPainter& q, const QRectF& s) {
        DrawStarField(q, s, 7u, 8);
        DrawShipAt(q, 2, s.center(), 90, 0.38);
    };
    auto theirs = [](QPainter& q, const QRectF& s) {
        DrawStarField(q, s, 8u, 8);
        DrawShipAt(q, 2, s.center(), -90, 0.38);
    };
    DrawComputer(p, QRectF(2, 10, 34, 28), own);
    DrawComputer(p, QRectF(60, 10, 34, 28), theirs);

    // The modem with its lights and the handset on top.
    const QRectF modem(33, 60, 30, 12);
    QLinearGradient mg(0, modem.top(), 0, modem.bottom());
    mg.setColorAt(0.0, QColor(230, 232, 240));
    mg.setColorAt(1.0, QColor(140, 144, 160));
    p.setPen(QPen(QColor(50, 54, 66), 1.0));
    p.setBrush(mg);
    p.drawRoundedRect(modem, 2.5, 2.5);
    const QColor lights[] = {QColor(60, 255, 110), QColor(255, 200, 40), QColor(255, 70, 50),
                             QColor(60, 255, 110)};
    for (int i = 0; i < 4; ++i)
        DrawNavLight(p, QPointF(modem.left() + 6 + 6 * i, modem.bottom() - 3.5), lights[i]);
    DrawHandset(p, QRectF(36, 52, 24, 9));

    // Signal waves between the machines.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const qreal r = 5 + 5 * i;
        const QColor wave(40, 90, 220, 230 - 55 * i);
        p.setPen(QPen(wave, 1.6, Qt::SolidLine, Qt::RoundCap));
        const QRectF arc(48 - r, 32 - r, 2 * r, 2 * r);
        p.drawArc(arc, 16 * 135, 16 * 90); // towards the left computer
        p.drawArc(arc, -16 * 45, 16 * 90); // towards the right computer
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 90, 220));
    p.drawEllipse(QPointF(48, 32), 2.0, 2.0);
    return img;
}

bool Save(const QImage& img, const QString& path, bool opaque) {
    const QImage out = img.convertToFormat(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (!out.save(path, "PNG")) {
        std::fprintf(stderr, "mkart: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The icon of the Windows program: one file holding every size, each entry a PNG image (which Windows
// takes since Vista): a 6-byte header, a 16-byte entry per image, then the images.
bool SaveIco(const QList<int>& sizes, const QString& path) {
    QList<QByteArray> images;
    for (const int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) ||
            !Icon(size).convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG"))
            return false;
        images << png;
    }
    QByteArray ico;
    QDataStream out(&ico, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(sizes.size());
    quint32 offset = 6 + 16 * quint32(sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const quint8 side = sizes[i] >= 256 ? 0 : quint8(sizes[i]); // 0 stands for 256
        out << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
            << quint32(images[i].size()) << offset;
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images)
        out.writeRawData(image.constData(), int(image.size()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size()) {
        std::fprintf(stderr, "mkart: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkart <folder>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/img");
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "mkart: cannot create %s\n", qPrintable(dir));
        return 1;
    }
    auto name = [&](int i) {
        return dir + QStringLiteral("/pic%1.png").arg(i, 2, 10, QLatin1Char('0'));
    };
    bool ok = true;
    for (int n = 1; n <= 4; ++n) {
        ok &= Save(ShipPicture(n, false, false), name(n), true);
        ok &= Save(ShipPicture(n, false, true), name(n + 4), true);
        ok &= Save(ShipPicture(n, true, false), name(n + 8), true);
        ok &= Save(ShipPicture(n, true, true), name(n + 12), true);
    }
    ok &= Save(CellPicture([](QPainter& p) { DrawExplosion(p, QPointF(kMid, kMid), 10.5, 17u); }), name(17),
               true);
    ok &= Save(CellPicture(DrawMissRing), name(18), true);
    ok &= Save(Background(kCell, kCell), name(19), true);
    ok &= Save(Icon(), dir + QStringLiteral("/icon.png"), false);
    ok &= Save(PictureComputer(), dir + QStringLiteral("/imgComp.png"), false);
    ok &= Save(PictureRemote(), dir + QStringLiteral("/imgUC.png"), false);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString icons =
            QString::fromLocal8Bit(argv[1]) + QStringLiteral("/icons/hicolor/%1x%1/apps").arg(size);
        ok &= QDir().mkpath(icons) &&
              Save(Icon(size), icons + QStringLiteral("/org.example.zendral.Zendral.png"), false);
    }
    ok &= SaveIco({16, 24, 32, 48, 64, 128, 256},
                  QString::fromLocal8Bit(argv[1]) + QStringLiteral("/icons/zendral.ico"));
    return ok ? 0 : 1;
}
