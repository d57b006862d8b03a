#include "frmquorvix.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvix"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    qx::frmQuorvix window;
    window.show();
    return QApplication::exec();
}
