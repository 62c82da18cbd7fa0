#pragma once

#include "baseinfo/IUserPrompts.h"

namespace App {

// The prompts as the user sees them: Qt's dialogs and message boxes.
class QtUserPrompts : public IUserPrompts {
public:
    QString ChooseFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    QString ChooseSaveFile(QWidget* owner, const SaveRequest& request) override;
    QString ChooseOpenFile(QWidget* owner, const OpenRequest& request) override;
    Answer Message(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override;
    bool EditBaseInfo(QWidget* owner) override;
    void OpenDocument(const QString& path) override;
};

} // namespace App
