#include "data/CDataSetLayout.h"

#include <QFileInfo>

QString CDataSetLayout::FolderName(const QString& folderPath) {
    const qsizetype last = folderPath.lastIndexOf(kSeparator);
    return last < 0 ? folderPath : folderPath.mid(last + 1);
}

QString CDataSetLayout::DatabasePath(const QString& folderPath) {
    return folderPath + kSeparator + FolderName(folderPath) + QStringLiteral(".db3");
}

QString CDataSetLayout::PictureFolder(const QString& folderPath, Method method) {
    return folderPath + kSeparator + FolderName(folderPath) + MethodInfo::Of(method).FolderSuffix();
}

QString CDataSetLayout::PictureFolder(const QString& folderPath, int method) {
    const std::optional<Method> known = MethodInfo::FromIndex(method);
    return known ? PictureFolder(folderPath, *known) : QString();
}

bool CDataSetLayout::DatabaseExists(const QString& databasePath) {
    // exists() follows links; a dangling link names nothing that could be opened.
    return !databasePath.isEmpty() && QFileInfo::exists(databasePath);
}

const char* CDataSetLayout::RecordTable(Method method) {
    return MethodInfo::Of(method).recordTable;
}

const char* CDataSetLayout::RecordTable(int method) {
    const std::optional<Method> known = MethodInfo::FromIndex(method);
    return known ? RecordTable(*known) : "";
}

CDataSetLayout::ReportColumns CDataSetLayout::Columns(Method method) {
    const MethodInfo& info = MethodInfo::Of(method);
    return {info.valueFirst, info.valueSecond, info.pictures[0], info.pictures[1], info.pictures[2]};
}

CDataSetLayout::ReportColumns CDataSetLayout::Columns(int method) {
    const std::optional<Method> known = MethodInfo::FromIndex(method);
    return known ? Columns(*known) : ReportColumns();
}

QString CDataSetLayout::PicturePath(const QString& pictureFolder, const QString& cellText) {
    if (cellText.isEmpty())
        return {};
    return pictureFolder + kSeparator + cellText;
}

CDataSetLayout::RecordRefs CDataSetLayout::GatherRecord(Method method, const QString& pictureFolder,
                                                        const std::function<QString(int column)>& cellText) {
    RecordRefs refs;
    if (!cellText) {
        return refs;
    }
    const ReportColumns columns = Columns(method);
    refs.strValue = cellText(columns.nValueFirst) + cellText(columns.nValueSecond);
    refs.strPicture1 = PicturePath(pictureFolder, cellText(columns.nPicture1));
    refs.strPicture2 = PicturePath(pictureFolder, cellText(columns.nPicture2));
    refs.strPicture3 = PicturePath(pictureFolder, cellText(columns.nPicture3));
    return refs;
}

CDataSetLayout::RecordRefs CDataSetLayout::GatherRecord(int method, const QString& pictureFolder,
                                                        const std::function<QString(int column)>& cellText) {
    const std::optional<Method> known = MethodInfo::FromIndex(method);
    return known ? GatherRecord(*known, pictureFolder, cellText) : RecordRefs();
}
