#pragma once

#include <QDialog>

// The About box: the program icon and its version; closes with its close box, Return or Escape.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
