#include "app/QtUserPrompts.h"

#include "baseinfo/CBaseInfoSetDlg.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace App {

QString QtUserPrompts::ChooseFolder(QWidget* owner, const QString& title, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(owner, title, startFolder, QFileDialog::ShowDirsOnly);
}

QString QtUserPrompts::ChooseSaveFile(QWidget* owner, const SaveRequest& request) {
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilter(request.filterText + QStringLiteral(" (") + request.patterns.join(QLatin1Char(' ')) +
                         QStringLiteral(")"));
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

QString QtUserPrompts::ChooseOpenFile(QWidget* owner, const OpenRequest& request) {
    return QFileDialog::getOpenFileName(owner, request.title, request.folder,
                                        request.filterText + QStringLiteral(" (") +
                                            request.patterns.join(QLatin1Char(' ')) + QStringLiteral(")"));
}

IUserPrompts::Answer QtUserPrompts::Message(QWidget* owner, const QString& text, const QString& caption,
                                            Icon icon, Buttons buttons) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case Icon::Error:
        boxIcon = QMessageBox::Critical;
        break;
    case Icon::Question:
        boxIcon = QMessageBox::Question;
        break;
    case Icon::None:
        break;
    }
    const QMessageBox::StandardButtons standard =
        buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    QMessageBox box(boxIcon, caption, text, standard, owner);
    const int result = box.exec();
    switch (result) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

bool QtUserPrompts::EditBaseInfo(QWidget* owner) {
    CBaseInfoSetDlg dialog(this, owner);
    return dialog.exec() == QDialog::Accepted;
}

void QtUserPrompts::OpenDocument(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace App
