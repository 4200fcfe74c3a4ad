#include "qt/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include "platform/Locale.h"

namespace zanvor {

QtTranslations::QtTranslations(QObject* parent) : QObject(parent) {
    Apply(ActiveLanguage());
    // The language changes on the thread of the settings page; the translator belongs to the
    // application's thread.
    subscription_ = SubscribeLanguageChanged([this](int lcid) {
        QMetaObject::invokeMethod(
            this, [this, lcid] { Apply(lcid); }, Qt::AutoConnection);
    });
}

QtTranslations::~QtTranslations() {
    subscription_.Reset();
    if (installed_) {
        QCoreApplication::removeTranslator(&translator_);
    }
}

QString QtTranslations::Folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

void QtTranslations::Apply(int lcid) {
    if (installed_) {
        QCoreApplication::removeTranslator(&translator_);
        installed_ = false;
    }
    // Qt's texts are written in English: nothing to load for it.
    const QString name = QString::fromStdString(LocaleNameOfLcid(lcid));
    if (name.isEmpty() || name.startsWith("en")) {
        return;
    }
    // "qtbase_pt_BR.qm", else "qtbase_pt.qm".
    if (translator_.load(QLocale(name), "qtbase", "_", Folder())) {
        installed_ = QCoreApplication::installTranslator(&translator_);
    }
}

}  // namespace zanvor
