#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Everything the program asks of the user goes through this interface, so that every flow can be
// driven headless: the application owns a Qt implementation, tests a scripted one.
// All calls are made on the GUI thread; the report worker reaches them through the main window's
// report sink, which hands each question over to that thread.
class IUserPrompts {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No, Cancel };

    struct SaveRequest {
        QString title;         // dialog title; empty for the platform's default
        QString proposedName;  // initial file name, without folder
        QString filterText;    // visible filter description, e.g. "Word文件（*.doc;*.docx）"
        QStringList patterns;  // e.g. {"*.doc", "*.docx"}
        QString defaultSuffix; // added when the name has no extension, without the dot
    };

    struct OpenRequest {
        QString title;        // dialog title
        QString folder;       // folder shown first; empty for the platform's default
        QString filterText;   // visible filter description, e.g. "Word模板（*.docx）"
        QStringList patterns; // e.g. {"*.docx"}
    };

    virtual ~IUserPrompts() = default;

    // Folder chooser, opened at startFolder (the platform's default when empty); returns the chosen
    // folder's path, or an empty string when cancelled.
    virtual QString ChooseFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;

    // Save-file dialog that asks before replacing an existing file; empty when cancelled.
    virtual QString ChooseSaveFile(QWidget* owner, const SaveRequest& request) = 0;

    // Open-file dialog for one existing file; empty when cancelled.
    virtual QString ChooseOpenFile(QWidget* owner, const OpenRequest& request) = 0;

    // Modal message box.
    virtual Answer Message(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                           Buttons buttons = Buttons::Ok) = 0;

    // The basic-information dialog; true when confirmed with "确定", false when closed.
    virtual bool EditBaseInfo(QWidget* owner) = 0;

    // Opens a document with the system's default program.
    virtual void OpenDocument(const QString& path) = 0;
};
