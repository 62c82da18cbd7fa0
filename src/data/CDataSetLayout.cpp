#include "data/CDataSetLayout.h"

#include <QFileInfo>

QString CDataSetLayout::FolderName(const QString& folderPath) {
    const qsizetype last = folderPath.lastIndexOf(kSeparator);
    return last < 0 ? folderPath : folderPath.mid(last + 1);
}

QString CDataSetLayout::DatabasePath(const QString& folderPath) {
    return folderPath + kSeparator + FolderName(folderPath) + QStringLiteral(".db3");
}

QString CDataSetLayout::PictureFolder(const QString& folderPath, int method) {
    QString suffix;
    switch (method) {
    case 0:
        suffix = QStringLiteral("-US");
        break;
    case 1:
        suffix = QStringLiteral("-TEV");
        break;
    case 2:
        suffix = QStringLiteral("-HFCT");
        break;
    default:
        return QString();
    }
    return folderPath + kSeparator + FolderName(folderPath) + suffix;
}

bool CDataSetLayout::DatabaseExists(const QString& databasePath) {
    // exists() follows links; a dangling link names nothing that could be opened.
    return !databasePath.isEmpty() && QFileInfo::exists(databasePath);
}

const char* CDataSetLayout::RecordTable(int method) {
    switch (method) {
    case 0:
        return "AE_RECORD";
    case 1:
        return "TEV_RECORD";
    case 2:
        return "HFCT_RECORD";
    default:
        return "";
    }
}

CDataSetLayout::ReportColumns CDataSetLayout::Columns(int method) {
    switch (method) {
    case 0:
        return {6, 10, 14, 15, 16};
    case 1:
    case 2:
        return {6, 9, 10, 11, 12};
    default:
        return {};
    }
}

QString CDataSetLayout::PicturePath(const QString& pictureFolder, const QString& cellText) {
    if (cellText.isEmpty())
        return {};
    return pictureFolder + kSeparator + cellText;
}

CDataSetLayout::RecordRefs CDataSetLayout::GatherRecord(int method, const QString& pictureFolder,
                                                        const std::function<QString(int column)>& cellText) {
    RecordRefs refs;
    const ReportColumns columns = Columns(method);
    if (!columns.IsValid() || !cellText) {
        return refs;
    }
    refs.strValue = cellText(columns.nValueFirst) + cellText(columns.nValueSecond);
    refs.strPicture1 = PicturePath(pictureFolder, cellText(columns.nPicture1));
    refs.strPicture2 = PicturePath(pictureFolder, cellText(columns.nPicture2));
    refs.strPicture3 = PicturePath(pictureFolder, cellText(columns.nPicture3));
    return refs;
}
