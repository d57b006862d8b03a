#include "uistyle.h"

#include <QFontDatabase>
#include <QHash>
#include <QPalette>

namespace qx {

QString InstalledFamily(const QString& family) {
    // The windows name the classic families; where a machine lacks them, ask for the
    // metric-compatible free family directly rather than through the substitution search,
    // which costs start-up time for every font.
    static const QHash<QString, QString> free{
        {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")},
    };
    static QHash<QString, QString> chosen;
    if (const auto it = chosen.constFind(family); it != chosen.cend())
        return *it;
    // The list of installed families is read once; asking for each name would resolve aliases.
    static const QStringList installed = QFontDatabase::families();
    const QString alternative = free.value(family);
    const QString use =
        alternative.isEmpty() || installed.contains(family) || !installed.contains(alternative) ? family
                                                                                                : alternative;
    chosen.insert(family, use);
    return use;
}

QFont UiFont(const QString& family, int pixelSize, bool bold, bool italic) {
    QFont f(InstalledFamily(family));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void SetColours(QWidget* w, QColor text, QColor background) {
    QPalette p = w->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, text);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        p.setColor(role, background);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void InstallFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

} // namespace qx
