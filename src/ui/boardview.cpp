// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "boardview.h"

#include "board.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace qx {

namespace {
// Paints the board's image; the outlines are its children.
class SurfaceWidget : public QWidget {
  public:
    SurfaceWidget(QWidget* parent, const QImage& image) : QWidget(parent), image_(image) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }

  protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        p.drawImage(e->rect(), image_, e->rect());
    }

  private:
    const QImage& image_;
};

bool InsideBoard(QPoint p) {
    return p.x() >= 0 && p.y() >= 0 && p.x() < BoardPixels && p.y() < BoardPixels;
}
} // namespace

ShapeFrame::ShapeFrame(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    QWidget::setVisible(false);
}

void ShapeFrame::SetBorder(QColor colour, int width) {
    if (colour == colour_ && width == width_)
        return;
    colour_ = colour;
    width_ = width;
    update();
}

void ShapeFrame::setVisible(bool visible) {
    const bool wasHidden = isHidden();
    QWidget::setVisible(visible);
    if (!visible && !wasHidden)
        emit Hidden();
}

void ShapeFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = qMin(width_, qMin(width(), height()));
    if (w <= 0)
        return;
    // The border lies inside the rectangle.
    p.fillRect(0, 0, width(), w, colour_);
    p.fillRect(0, height() - w, width(), w, colour_);
    p.fillRect(0, 0, w, height(), colour_);
    p.fillRect(width() - w, 0, w, height(), colour_);
}

BoardView::BoardView(QWidget* parent)
    : QFrame(parent), image_(BoardPixels, BoardPixels, QImage::Format_RGB32) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(Border);
    setFixedSize(BoardPixels + 2 * Border, BoardPixels + 2 * Border);
    setFocusPolicy(Qt::StrongFocus);
    image_.fill(Qt::black);
    surface_ = new SurfaceWidget(this, image_);
    surface_->setGeometry(Border, Border, BoardPixels, BoardPixels);
    surface_->installEventFilter(this);
    setMouseTracking(true);
}

void BoardView::DrawPicture(const QPixmap& picture, int left, int top) {
    QPainter p(&image_);
    p.drawPixmap(left, top, picture);
    p.end();
    surface_->update(QRect(QPoint(left, top), picture.size()));
}

void BoardView::keyPressEvent(QKeyEvent* e) {
    emit KeyPressed(e->key());
    QFrame::keyPressEvent(e);
}

bool BoardView::eventFilter(QObject* watched, QEvent* e) {
    if (watched == surface_) {
        if (e->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(e);
            setFocus(Qt::MouseFocusReason);
            const QPoint pos = me->position().toPoint();
            if (InsideBoard(pos))
                emit Pressed(me->button(), pos);
            return true;
        }
        if (e->type() == QEvent::MouseMove) {
            const QPoint pos = static_cast<QMouseEvent*>(e)->position().toPoint();
            if (InsideBoard(pos))
                emit Moved(pos);
            return true;
        }
    }
    return QFrame::eventFilter(watched, e);
}

} // namespace qx
