#include "support/ScriptedPrompts.h"

QString ScriptedPrompts::ChooseFolder(QWidget*, const QString& title, const QString& startFolder) {
    folderTitles.append(title);
    folderStarts.append(startFolder);
    return folders.isEmpty() ? QString() : folders.takeFirst();
}

QString ScriptedPrompts::ChooseSaveFile(QWidget*, const SaveRequest& request) {
    saveRequests.append(request);
    return saveFiles.isEmpty() ? QString() : saveFiles.takeFirst();
}

QString ScriptedPrompts::ChooseOpenFile(QWidget*, const OpenRequest& request) {
    openRequests.append(request);
    return openFiles.isEmpty() ? QString() : openFiles.takeFirst();
}

IUserPrompts::Answer ScriptedPrompts::Message(QWidget*, const QString& text, const QString& caption,
                                              Icon icon, Buttons buttons) {
    messages.append({text, caption, icon, buttons});
    if (!answers.isEmpty()) {
        return answers.takeFirst();
    }
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

bool ScriptedPrompts::EditBaseInfo(QWidget* owner) {
    ++baseInfoCalls;
    if (baseInfoScripts.isEmpty()) {
        return false;
    }
    return baseInfoScripts.takeFirst()(owner);
}

void ScriptedPrompts::OpenDocument(const QString& path) {
    openedDocuments.append(path);
}

QStringList ScriptedPrompts::MessageTexts() const {
    QStringList texts;
    for (const MessageRecord& record : messages) {
        texts.append(record.text);
    }
    return texts;
}
