#include "app/CNkFolderDlg.h"

#include "baseinfo/IUserPrompts.h"
#include "data/CDataSetLayout.h"

#include <QDir>

namespace Common {

CNkFolderDlg::CNkFolderDlg(QWidget* pParentWnd, IUserPrompts* pPrompts)
    : m_pParentWnd(pParentWnd), m_pPrompts(pPrompts) {}

int CNkFolderDlg::DoModal() {
    m_strPath.clear();
    if (m_pPrompts == nullptr) {
        return kCancelled;
    }
    const QString chosen =
        m_pPrompts->ChooseFolder(m_pParentWnd, QStringLiteral("选择数据文件夹："), m_strStartFolder);
    if (chosen.isEmpty()) {
        return kCancelled;
    }
    // The data set rules join paths with '/'; on Windows a chooser may still hand back '\'.
    m_strPath = QDir::fromNativeSeparators(chosen);
    return kChosen;
}

QString CNkFolderDlg::GetFolderName() const {
    return CDataSetLayout::FolderName(m_strPath);
}

} // namespace Common
