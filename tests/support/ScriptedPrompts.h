#pragma once

#include "baseinfo/IUserPrompts.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Test double of the prompts: answers from scripts queued by the test and records every question.
// An unscripted question gets the "cancel" answer (empty path, No, Cancel) so that a test never
// blocks on a dialog.
class ScriptedPrompts : public IUserPrompts {
public:
    struct MessageRecord {
        QString text;
        QString caption;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    // Queued answers, used in order.
    QStringList folders;   // for ChooseFolder; "" means cancel
    QStringList saveFiles; // for ChooseSaveFile; "" means cancel
    QStringList openFiles; // for ChooseOpenFile; "" means cancel
    QList<Answer> answers; // for Message; when empty: Ok for Ok boxes, No for Yes/No boxes
    QList<std::function<bool(QWidget* owner)>> baseInfoScripts; // for EditBaseInfo; default: cancel

    // What was asked.
    QList<MessageRecord> messages;
    QList<SaveRequest> saveRequests;
    QList<OpenRequest> openRequests;
    QStringList folderTitles;
    QStringList folderStarts; // the start folder of each folder question
    QStringList openedDocuments;
    int baseInfoCalls = 0;

    QString ChooseFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    QString ChooseSaveFile(QWidget* owner, const SaveRequest& request) override;
    QString ChooseOpenFile(QWidget* owner, const OpenRequest& request) override;
    Answer Message(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override;
    bool EditBaseInfo(QWidget* owner) override;
    void OpenDocument(const QString& path) override;

    QStringList MessageTexts() const;
};
