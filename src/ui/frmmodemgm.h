// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem window: wait for the friend's call, or dial it.
#pragma once

#include <QWidget>

class QPushButton;

namespace qx {

class frmModemGm : public QWidget {
    Q_OBJECT
  public:
    explicit frmModemGm(QWidget* parent);

  signals:
    void CreateClicked(); // cmdCreateGm
    void JoinClicked();   // cmdJoin
    void CancelClicked(); // cmdCancel, or Esc

  protected:
    void keyPressEvent(QKeyEvent* e) override;
};

} // namespace qx
