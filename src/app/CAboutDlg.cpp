#include "app/CAboutDlg.h"

#include "baseinfo/CDialogUnits.h"

#include <QKeyEvent>
#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QStringLiteral("关于 ZOLT"));
    QFont dialogFont = font();
    dialogFont.setPointSize(9);
    setFont(dialogFont);
    const CDialogUnits units(dialogFont);
    setFixedSize(units.ToX(226), units.ToY(65));

    auto* icon = new QLabel(this);
    const QRect iconRect = units.ToRect(21, 20, 18, 18);
    icon->setGeometry(iconRect);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/zolt.png")).pixmap(iconRect.size()));

    auto* version = new QLabel(QStringLiteral("ZOLT V1.1"), this);
    version->setObjectName(QStringLiteral("versionText"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(units.ToRect(55, 26, 100, 8));

    auto* empty = new QLabel(this);
    empty->setGeometry(units.ToRect(52, 45, 100, 8));
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}
