// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The chat entry window: one line of text and "Отправить". The main window does the sending.
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace qx {

class frmSMes : public QWidget {
    Q_OBJECT
  public:
    explicit frmSMes(QWidget* parent);

    QString Text() const; // txtMes
    void ClearText();
    // Marks the window pending, shows it in the centre of the screen and puts the caret in txtMes.
    void Open();
    // Marks the window not pending and hides it; the typed text stays for the next time.
    void Close();

  signals:
    void SendClicked(); // cmdSend, or Enter anywhere in the window

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void Centre();

    QLineEdit* txtMes_;
    QPushButton* cmdSend_;
};

} // namespace qx
