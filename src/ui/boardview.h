// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A board picture box: a 300 x 300 drawing surface inside a 2-pixel sunken border that keeps
// everything drawn on it, with rectangle outlines floating above the pictures.
#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QWidget>

namespace qx {

// A rectangle outline. Mouse events pass through it to the board beneath.
class ShapeFrame : public QWidget {
    Q_OBJECT
  public:
    explicit ShapeFrame(QWidget* parent);
    void SetBorder(QColor colour, int width);
    QColor BorderColour() const { return colour_; }
    int BorderWidth() const { return width_; }
    void setVisible(bool visible) override;

  signals:
    // The outline was hidden.
    void Hidden();

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor colour_{192, 255, 255};
    int width_ = 2;
};

class BoardView : public QFrame {
    Q_OBJECT
  public:
    static constexpr int Border = 2;

    explicit BoardView(QWidget* parent);
    // Draws `picture` unscaled with its top-left corner at board pixel (left, top).
    void DrawPicture(const QPixmap& picture, int left, int top);
    const QImage& Image() const { return image_; }
    // The drawing surface, in whose coordinates the outlines are placed.
    QWidget* Surface() const { return surface_; }

  signals:
    // A button was pressed or the pointer moved at board pixel `pos` (inside 0..299 only).
    void Pressed(Qt::MouseButton button, QPoint pos);
    void Moved(QPoint pos);
    void KeyPressed(int key);

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    QImage image_;
    QWidget* surface_;
};

} // namespace qx
