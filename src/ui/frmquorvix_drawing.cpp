// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Drawing the boards, the log, the counters, the status line and the turn pointer, and the pieces
// of a shot's outcome that every kind of shot shows the same way.
#include "art.h"
#include "frmquorvix.h"
#include "uistyle.h"
#include "waits.h"

#include <QMessageBox>
#include <QTextCursor>

namespace qx {

namespace {
// Text from the line is shown as it came, but a control character would break the line apart or
// vanish: it is shown as its visible symbol instead.
QString Printable(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7f)
            c = QChar(0x2421);
        else if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QChar(0x2424);
    }
    return out;
}
} // namespace

void frmQuorvix::AddLog(const QString& text, QRgb colour) {
    QFont font = rtbChat->font();
    font.setFamily(QStringLiteral("Courier New"));
    rtbChat->document()->setDefaultFont(font);
    QTextCursor cursor(rtbChat->document());
    cursor.movePosition(QTextCursor::Start);
    QTextCharFormat coloured;
    coloured.setForeground(QColor(colour));
    cursor.insertText(Printable(text), coloured);
    // The line end keeps the default colour; the older lines keep theirs.
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    rtbChat->setTextCursor(QTextCursor(rtbChat->document()));
}

void frmQuorvix::DrawPicture(int board, int picture, int x, int y) {
    if (!OnBoard(x, y))
        return;
    Pole(board)->DrawPicture(Picture(picture), x * CellPixels, y * CellPixels);
}

void frmQuorvix::ClearPole(int board) {
    if (board != OwnBoard && board != EnemyBoard)
        return;
    for (int x = 0; x < BoardSize; ++x)
        for (int y = 0; y < BoardSize; ++y)
            DrawPicture(board, PicEmpty, x, y);
}

void frmQuorvix::DrawCell(int board, Cell cell) {
    if (!OnBoard(cell.x, cell.y))
        return;
    const Board& pole = board == OwnBoard ? game_.MyPole : game_.EnemyPole;
    const int code = pole.at(cell.x, cell.y);
    if (code >= 1 && code <= WaterShot)
        DrawPicture(board == OwnBoard ? OwnBoard : EnemyBoard, code, cell.x, cell.y);
}

void frmQuorvix::DrawMark(int board, Cell cell, int picture) {
    DrawPicture(board, picture, cell.x, cell.y);
    Pole(board)->repaint();
}

void frmQuorvix::SetStatus(const QString& text, bool redrawNow) {
    lblStatus->setText(text);
    if (redrawNow)
        lblStatus->repaint();
}

void frmQuorvix::SetTurnCross(bool cross) {
    picPole2->setCursor(cross ? Qt::CrossCursor : Qt::WaitCursor);
}

bool frmQuorvix::UserMayFire() const {
    return picPole2->cursor().shape() == Qt::CrossCursor;
}

void frmQuorvix::SetIndicator(char symbol) {
    // The indicator's symbols: a desktop computer for a game against the computer, a telephone
    // for a remote game.
    lblIndic->setText(symbol == '(' ? QStringLiteral("\u260E") : QStringLiteral("\U0001F4BB"));
}

int frmQuorvix::ShipDown(int board) {
    QLabel* counter = board == OwnBoard ? lblMSCnt : lblASCnt;
    const int left = counter->text().toInt() - 1;
    counter->setText(QString::number(left));
    return left;
}

QCoro::Task<> frmQuorvix::GameOver(Handler& h, QString message) {
    SetStatus(QStringLiteral("Игра закончена"));
    co_await GameMessage(h, std::move(message));
    game_.GameStopped = true;
}

QCoro::Task<> frmQuorvix::GameMessage(Handler& h, QString text) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, AppTitle, text, QMessageBox::Ok, this);
    box->setObjectName("gameMessage");
    box->setAttribute(Qt::WA_DeleteOnClose);
    gameBox_ = box;
    box->open();
    co_await h.Wait(SignalOrGone(box, &QMessageBox::finished, std::chrono::milliseconds(0)));
}

} // namespace qx
