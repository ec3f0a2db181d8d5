#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace kel {

std::unique_ptr<QTranslator> InstallQtTranslations(const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

std::unique_ptr<QTranslator> InstallQtTranslations() {
    return InstallQtTranslations(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace kel
