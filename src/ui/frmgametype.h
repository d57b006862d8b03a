// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game type window: play the computer, or a remote user over the modem link.
#pragma once

#include <QLabel>
#include <QWidget>

namespace qx {

// A picture that reports a click (press and release on it with the left button).
class ClickImage : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void Clicked();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    bool pressed_ = false;
};

class frmGameType : public QWidget {
    Q_OBJECT
  public:
    explicit frmGameType(QWidget* parent);

  signals:
    void CompChosen(); // imgComp
    void UCChosen();   // imgUC
};

} // namespace qx
