// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The port settings window: port number, line speed, data bits, parity, stop bits and flow control.
// It shows the port's live configuration, and "Применить" applies the choice to the port at once and
// stores it for the next run.
#pragma once

#include <QDialog>
#include <QPointer>

class QButtonGroup;
class QComboBox;
class QPushButton;

namespace qx {

class MSComm;
class PortStore;

class frmMOpt : public QDialog {
    Q_OBJECT
  public:
    // Opens nothing by itself: the caller shows it (modeless). It deletes itself when closed, so every
    // opening builds it afresh from the port. `store` may be null (nothing is stored then).
    frmMOpt(MSComm* port, PortStore* store, QWidget* parent);

    // The index of the flow-control option last chosen.
    int FlowChoice() const { return flowChoice_; }

  signals:
    // The port refused a value: a warning with its description is on screen, the window stays.
    void FailureShown(const QString& description);

  private:
    void BuildControls();
    void ShowLiveConfiguration();
    void Apply();
    void Refused(const QString& description);

    QPointer<MSComm> port_;
    PortStore* store_;
    int flowChoice_ = 0;

    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QComboBox* cboPort_ = nullptr;
    QButtonGroup* optFlow_ = nullptr;
    QComboBox* cboSpeed_ = nullptr;
    QComboBox* cboDataBits_ = nullptr;
    QComboBox* cboParity_ = nullptr;
    QComboBox* cboStopBits_ = nullptr;
};

} // namespace qx
