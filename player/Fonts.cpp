#include "Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace kel {

QString SubstituteChineseFonts() {
    const QStringList preferred{"WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Serif CJK SC",
                                "Droid Sans Fallback", "AR PL UMing CN"};
    const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    QString chosen;
    for (const QString& family : preferred)
        if (installed.contains(family)) {
            chosen = family;
            break;
        }
    if (chosen.isEmpty() && !installed.isEmpty())
        chosen = installed.first();
    if (chosen.isEmpty())
        return chosen;
    for (const char* windowsName : {"宋体", "黑体"})
        QFont::insertSubstitution(QString::fromUtf8(windowsName), chosen);
    return chosen;
}

}  // namespace kel
