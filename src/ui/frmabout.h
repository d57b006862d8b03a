// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The About window: title, version, the info text (see AssetFolder()) and the home-page link.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QUrl>

#include <functional>

class QTextEdit;

namespace qx {

inline const QString HomePage = QStringLiteral("https://zendral.example.org/");

// A label that tells when a mouse button goes down and up on it.
class LinkLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void Pressed();
    void Released();

  protected:
    void mousePressEvent(QMouseEvent*) override { emit Pressed(); }
    void mouseReleaseEvent(QMouseEvent*) override { emit Released(); }
};

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* parent, QString folder = {});
    // Opens an address in the user's browser; replaceable for tests.
    std::function<bool(const QUrl&)> openUrl;

  private:
    void OpenHomePage();
    LinkLabel* link_;
};

} // namespace qx
