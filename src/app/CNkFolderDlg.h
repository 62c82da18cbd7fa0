#pragma once

#include <QString>

class IUserPrompts;
class QWidget;

namespace Common {

// Asks the user for a test data set folder through the prompts interface.
class CNkFolderDlg {
public:
    enum { kChosen = 1, kCancelled = 2 };

    // Both may be null: no owner window; no prompts means every question is cancelled.
    CNkFolderDlg(QWidget* pParentWnd, IUserPrompts* pPrompts);
    virtual ~CNkFolderDlg() = default;

    // kChosen (1) when a folder was chosen, kCancelled (2) otherwise. The path is emptied first.
    int DoModal();
    QString GetPathName() const { return m_strPath; }
    // Where the chooser opens; empty for the platform's default.
    void SetStartFolder(const QString& folder) { m_strStartFolder = folder; }
    // Last component of the chosen path; empty for a filesystem root.
    QString GetFolderName() const;

private:
    QWidget* m_pParentWnd;
    IUserPrompts* m_pPrompts;
    QString m_strPath;
    QString m_strStartFolder;
};

} // namespace Common
