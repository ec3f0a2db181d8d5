#pragma once
// Qt's own texts (the buttons of message boxes, the standard dialogs) in Simplified Chinese, like
// every other text of the player, so that a box reads "确定" rather than "OK".

#include <QString>
#include <QTranslator>
#include <memory>

namespace kel {

// Installs Qt's Simplified Chinese translations of its own texts from `folder` on the
// application; the translator stays installed as long as it lives. None is returned when they
// are not there (the distribution's translations are not installed): Qt's texts stay English.
std::unique_ptr<QTranslator> InstallQtTranslations(const QString& folder);
// The same, from the folder of Qt's translations.
std::unique_ptr<QTranslator> InstallQtTranslations();

}  // namespace kel
