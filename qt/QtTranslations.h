#pragma once

#include <QObject>
#include <QString>
#include <QTranslator>

#include "ui/LoadText.h"

namespace zanvor {

// Qt's own texts (standard dialog buttons, file dialogs, context menus) in the program's
// language: loads Qt's translation of the active language and follows every language change.
class QtTranslations : public QObject {
  public:
    explicit QtTranslations(QObject* parent = nullptr);
    ~QtTranslations() override;
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // The folder Qt's translation files are installed in.
    static QString Folder();
    // True while a translation of Qt's texts is installed (none for English, nor when the
    // language's file is not installed).
    bool Active() const { return installed_; }

  private:
    void Apply(int lcid);

    QTranslator translator_;
    bool installed_ = false;
    LanguageSubscription subscription_;
};

}  // namespace zanvor
